#!/usr/bin/env bash
# A developer's check of the tests, not part of the test command: applies each one-line fault
# of the list below to the sources, one at a time, rebuilds the Release tree incrementally,
# runs its ctest set (stopping at the first failure) and says whether the fault was caught.
# Every file is put back after its fault, also when the run is interrupted.
#
# Usage: mutation-sample.sh [--src DIR] [--build DIR] [--list] [NUMBER...]
#   --src    the source tree (default: this repository); its Release tree must be configured
#            with the tests (scripts/run-tests.sh or release-tree.sh with -DCORVANE_BUILD_TESTS=ON)
#   --build  that tree (default: SRC/build/release)
#   --list   prints the faults and checks each applies, without building
#   NUMBER   only these faults (1-based)
# Prints one line per fault (caught, MISSED, or no build) and the score; each fault's build and
# ctest output stay in BUILD/mutation-logs/NUMBER.log.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
build=
list=0
only=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --src) src=$(cd "$2" && pwd); shift 2 ;;
    --build) build=$2; shift 2 ;;
    --list) list=1; shift ;;
    *) only+=("$1"); shift ;;
  esac
done
build=${build:-$src/build/release}

# fault FILE OLD NEW [AFTER]: replaces OLD by NEW on the one line of FILE holding OLD, or, with
# AFTER, on the first line holding OLD after the one line holding AFTER.
files=() olds=() news=() afters=()
fault() { files+=("$1"); olds+=("$2"); news+=("$3"); afters+=("${4:-}"); }

# The readers
fault texture/RgbReader.cpp 'uint64_t(start) + length > source.Size()' 'uint64_t(start) > source.Size()'
fault texture/RgbReader.cpp 'if (count > width - out)' 'if (count > width - out + 3)'
fault texture/RgbReader.cpp 'return out == width;' 'return out <= width;'
fault texture/RgbReader.cpp 'if (in == length)' 'if (in > length)'
fault texture/RgbReader.cpp 'return 2 * width + 1;' 'return 2 * width;'
fault texture/BmpReader.cpp 'uint64_t(dataOffset) + pixelBytes > source.Size()' 'uint64_t(dataOffset) + pixelBytes >= source.Size()'
fault texture/BmpReader.cpp 'width <= 0 || height <= 0' 'width < 0 || height <= 0'
fault texture/BmpReader.cpp 'planes != 1' 'planes > 1'
fault texture/RgbReader.cpp 'return (file.type >> 8) == 1;' 'return (file.type >> 8) >= 1;'
fault texture/RgbReader.cpp 'if (count > length - in)' 'if (count > length - in + 1)'
fault texture/Texture.cpp 'if (length >= 4) {' 'if (length > 4) {'
fault texture/MemoryByteSource.cpp 'if (offset > size)' 'if (offset >= size)'
# The scene's passes and the animation
fault scene/Scene.cpp 'return index == 0 || g_stencilBits >= 2;' 'return index == 0 || g_stencilBits >= 3;'
fault scene/Scene.cpp '(g_stencilBits >= 1 ? 1 : 0)' '(g_stencilBits >= 2 ? 1 : 0)'
fault scene/Scene.cpp 'glStencilFunc(GL_NOTEQUAL' 'glStencilFunc(GL_EQUAL' 'if (stencilled && HasStencilBit(i))'
fault scene/Scene.cpp 'if (this->*spot.enabled && this->*spot.glass)' 'if (this->*spot.enabled)'
fault scene/Scene.cpp 'RotateInOwnFrame(shape->modelMatrix, 120.0f * dt' 'RotateInOwnFrame(shape->modelMatrix, 60.0f * dt'
fault scene/Scene.cpp 'RotateInWorld(light1->modelMatrix, 90.0f * dt' 'RotateInWorld(light1->modelMatrix, -90.0f * dt'
fault objects/CShape.cpp 'shapeIndex = (shapeIndex + 1) % kShapeCount;' 'shapeIndex = (shapeIndex + 2) % kShapeCount;'
# The camera
fault scene/OrbitCamera.cpp 'kMaxElevation = 0.49f' 'kMaxElevation = 0.5f'
fault scene/OrbitCamera.cpp 'kMinDistance = 5.0f' 'kMinDistance = 4.0f'
fault scene/OrbitCamera.cpp 'KeyAxis(Key::kLeft, Key::kRight)' 'KeyAxis(Key::kRight, Key::kLeft)'
# The menu, the accelerators and the commands
fault app/ResourceTables.h 'KEY(VK_F7, IDM_LIGHT1_MOVE)' 'KEY(VK_F8, IDM_LIGHT1_MOVE)'
fault app/ResourceTables.h 'KEY(VK_F10, IDM_LIGHT2_GLASS)' 'KEY(VK_F10, IDM_LIGHT1_GLASS)'
fault app/ResourceTables.h 'ITEM("Stained Glass \tF10", IDM_LIGHT2_GLASS)' 'ITEM("Stained Glass \tF12", IDM_LIGHT2_GLASS)'
fault app/Application.cpp '{kCommandLight2Move, &Scene::light2Moving}' '{kCommandLight2Move, &Scene::light1Moving}'
fault app/Application.cpp 'platform::EnableMenuItem(menu, kCommandSingleStep, paused);' 'platform::EnableMenuItem(menu, kCommandSingleStep, !paused);'
fault app/Application.cpp 'platform::ExitProcess(-1);' 'platform::ExitProcess(1);' 'ReportLastError("Failed to create OpenGL context.");'
fault app/Application.cpp 'std::min<uint32_t>(now - lastStepTime, 50u)' 'std::min<uint32_t>(now - lastStepTime, 100u)'
fault app/Application.cpp 'if (elapsed > 0.5) {' 'if (elapsed > 1.0) {'
# The platform backends
fault platform/common/Emulated.cpp 'if (menu && !IsMenuItemEnabled(menu, accelerator.id))' 'if (!menu && !IsMenuItemEnabled(menu, accelerator.id))'
fault platform/fltk/FltkPlatform.cpp 'case FL_Home: return Key::kHome;' 'case FL_Home: return Key::kEnd;'
fault platform/posix/XDisplay.cpp 'std::exit(-1);' 'std::exit(1);'
fault platform/common/Platform.cpp 'if (StartToolkit())' 'if (StartToolkit() || true)'
# The tools
fault tools/snapshot/SnapshotOptions.cpp 'if (command.frame >= options->frames) {' 'if (command.frame > options->frames) {'
fault tools/snapshot/SnapshotOptions.cpp '{"light1-glass", kCommandLight1Glass},' '{"light1-glass", kCommandLight1Move},'
fault tools/texgen/IcoFile.cpp 'PutLittle32(out, size * 2);' 'PutLittle32(out, size);'
fault tools/snapshot/PassFiles.cpp 'RemoveSet(fresh);  // the old set, now' '(void)fresh;  // the old set, now'

# Prints the line number the fault edits, or nothing when it cannot be placed exactly.
locate() {  # INDEX
  local file=$src/${files[$1]} old=${olds[$1]} after=${afters[$1]} from=1 count
  if [[ -n $after ]]; then
    count=$(grep -cF -- "$after" "$file")
    [[ $count -eq 1 ]] || return
    from=$(grep -nF -- "$after" "$file" | cut -d: -f1)
    tail -n +"$from" "$file" | grep -nF -m1 -- "$old" | awk -F: -v f="$from" '{print $1 + f - 1}'
  else
    count=$(grep -cF -- "$old" "$file")
    [[ $count -eq 1 ]] && grep -nF -- "$old" "$file" | cut -d: -f1
  fi
}

saved=
restore() { [[ -n $saved ]] && cat "$saved.orig" >"$saved" && rm -f "$saved.orig"; saved=; }
trap 'restore; exit 130' INT TERM
trap restore EXIT

apply() {  # INDEX LINE: writes the file with that line changed (a new mtime, so it rebuilds)
  local file=$src/${files[$1]} line
  cp "$file" "$file.orig"
  saved=$file
  line=$(sed -n "${2}p" "$file.orig")
  line=${line/"${olds[$1]}"/"${news[$1]}"}
  { head -n $(($2 - 1)) "$file.orig"; printf '%s\n' "$line"; tail -n +$(($2 + 1)) "$file.orig"; } >"$file"
}

# The whole ctest set in two rounds, so that most faults stop early: the suites first, then the
# end-to-end scripts, whose timing on a loaded machine may fail once (they get a second try).
e2e='fltk_backend_smoke|corvane_window_end_to_end|snapshot_command_line|plain_cmake_configure'
e2e+='|backend_contract|tools_command_line|no_display_start_up'
run_tests() {  # LOG
  local ctest=("$src/scripts/with-display.sh" ctest --test-dir "$build" -j2 --stop-on-failure
               --timeout 300)
  "${ctest[@]}" -E "^($e2e)\$" >>"$1" 2>&1 &&
    "${ctest[@]}" -R "^($e2e)\$" --repeat until-pass:2 >>"$1" 2>&1
}

caught=0 missed=0 unbuilt=0 missing=()
logs=$build/mutation-logs
[[ $list -eq 1 ]] || mkdir -p "$logs"
for i in "${!files[@]}"; do
  number=$((i + 1))
  if [[ ${#only[@]} -gt 0 ]] && ! printf '%s\n' "${only[@]}" | grep -qx "$number"; then
    continue
  fi
  what="${files[$i]}: '${olds[$i]}' -> '${news[$i]}'"
  line=$(locate "$i")
  if [[ -z $line ]]; then
    echo "$number  CANNOT PLACE  $what"
    continue
  fi
  if [[ $list -eq 1 ]]; then
    echo "$number  line $line  $what"
    continue
  fi
  apply "$i" "$line"
  start=$SECONDS
  if ! cmake --build "$build" -j2 >"$logs/$number.log" 2>&1; then
    result="no build"
    unbuilt=$((unbuilt + 1))
  elif run_tests "$logs/$number.log"; then
    result=MISSED
    missed=$((missed + 1))
    missing+=("$number")
  else
    result="caught by $(sed -n '/tests FAILED:/,$p' "$logs/$number.log" |
      grep -m1 -oE '[0-9]+ - [^ ]+ \(.*\)' | sed 's/^[0-9]* - //')"
    caught=$((caught + 1))
  fi
  restore
  echo "$number  $result  ($((SECONDS - start)) s)  $what"
done
[[ $list -eq 1 ]] && exit 0
cmake --build "$build" -j2 >/dev/null 2>&1 || echo "the tree does not build after the run" >&2
total=$((caught + missed))
echo "caught $caught of $total ($((total ? 100 * caught / total : 0)) %); missed: ${missing[*]:-none}; \
not built: $unbuilt"
