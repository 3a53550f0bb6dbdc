# The COMMANDS section of auxpad-flash's manual page: each command's own --help.
#   cmake -DTOOL=path/to/auxpad-flash -DOUT=commands.h2m -P commands_section.cmake
set(text "[COMMANDS]\n")
foreach(command flash prodinfo selftest report serve label line)
  execute_process(COMMAND "${TOOL}" ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${TOOL} ${command} --help failed")
  endif()
  string(REGEX REPLACE "Usage: [^ ]*auxpad-flash" "auxpad-flash" help "${help}")
  string(REPLACE "\\" "\\\\" help "${help}")
  string(REGEX REPLACE "\n" "\n.br\n" help "${help}")
  string(APPEND text ".TP\n.B ${command}\n${help}\n")
endforeach()
file(WRITE "${OUT}" "${text}")
