# A backend that forgets a hook fails to compile, with a message that names the hook; the same
# backend with every hook compiles. Run as: cmake -DCXX=compiler -DROOT=source -P this file.
set(source ${CMAKE_CURRENT_LIST_DIR}/ContractBackend.cpp)
execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${ROOT} ${source}
  RESULT_VARIABLE complete_result ERROR_VARIABLE complete_output)
if(NOT complete_result EQUAL 0)
  message(FATAL_ERROR "a backend with every hook does not compile:\n${complete_output}")
endif()
execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -DLEAVE_OUT_SWAP -I${ROOT} ${source}
  RESULT_VARIABLE short_result ERROR_VARIABLE short_output)
if(short_result EQUAL 0)
  message(FATAL_ERROR "a backend without Swap compiles")
endif()
foreach(expected "must override every hook of platform::Backend" "Swap")
  string(FIND "${short_output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the compiler's complaint lacks \"${expected}\":\n${short_output}")
  endif()
endforeach()
