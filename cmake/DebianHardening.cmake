# Debian's hardening flags for the optimised builds, as dpkg-buildflags gives them with every
# hardening feature on (what Debian builds its own packages with): fortified C library calls,
# the stack protector, format checks, and relocations made read-only and bound at start-up.
# They travel with corvane_options, so every program of ours has them. The optimisation and
# debug flags dpkg-buildflags also gives are left out: those stay the build type's.
find_program(CORVANE_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT CORVANE_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
  return()
endif()

function(corvane_buildflags name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${CORVANE_DPKG_BUILDFLAGS} --get ${name}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O|g|ffile-prefix-map=|fdebug-prefix-map=)")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

corvane_buildflags(CPPFLAGS cppflags)
corvane_buildflags(CXXFLAGS cxxflags)
corvane_buildflags(LDFLAGS ldflags)
# _FORTIFY_SOURCE needs an optimised build (glibc warns without one).
set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
target_compile_options(corvane_options INTERFACE "$<${optimised}:${cppflags};${cxxflags}>")
target_link_options(corvane_options INTERFACE "$<${optimised}:${ldflags}>")
string(JOIN " " summary ${cppflags} ${cxxflags} ${ldflags})
message(STATUS "Hardening flags of the optimised builds: ${summary}")
