# A backend that lacks one of the functions a backend defines fails to build, with a message
# that names the function; the same backend with every function links. Run as:
# cmake -DCXX=compiler -DROOT=source -DOUT=folder -P this file.
set(sources ${CMAKE_CURRENT_LIST_DIR}/ContractBackend.cpp ${ROOT}/platform/common/Platform.cpp
  ${ROOT}/platform/common/Resources.cpp ${ROOT}/platform/common/Emulated.cpp)
set(link ${CXX} -std=c++17 -I${ROOT} ${sources} -lglut -o ${OUT}/contract-backend)
execute_process(COMMAND ${link}
  RESULT_VARIABLE complete_result ERROR_VARIABLE complete_output)
if(NOT complete_result EQUAL 0)
  message(FATAL_ERROR "a backend with every function does not link:\n${complete_output}")
endif()
execute_process(COMMAND ${link} -DLEAVE_OUT_SWAP
  RESULT_VARIABLE short_result ERROR_VARIABLE short_output)
if(short_result EQUAL 0)
  message(FATAL_ERROR "a backend without SwapBuffers links")
endif()
foreach(expected "undefined reference" "platform::SwapBuffers")
  string(FIND "${short_output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the linker's complaint lacks \"${expected}\":\n${short_output}")
  endif()
endforeach()
