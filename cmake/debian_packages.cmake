# On a Debian system, installs the -dev packages the build needs before the
# libraries are looked for, so that the README's two commands work on a
# fresh machine. Without root it stops and names the command to run.
option(LOGO_INSTALL_MISSING_PACKAGES "Install missing Debian packages at configure time (as root)" ON)

function(logo_require_debian_packages)
  find_program(DPKG_QUERY dpkg-query)
  if(NOT LOGO_INSTALL_MISSING_PACKAGES OR NOT DPKG_QUERY)
    return()
  endif()
  set(missing)
  foreach(package IN LISTS ARGN)
    execute_process(COMMAND ${DPKG_QUERY} -W -f=\${Status} ${package}
                    OUTPUT_VARIABLE status ERROR_QUIET)
    if(NOT status MATCHES "install ok installed")
      list(APPEND missing ${package})
    endif()
  endforeach()
  if(NOT missing)
    return()
  endif()
  string(JOIN " " names ${missing})
  execute_process(COMMAND id -u OUTPUT_VARIABLE user OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT user STREQUAL "0")
    message(FATAL_ERROR "Missing Debian packages: ${names}\n"
                        "Install them with:\n  sudo apt-get install -y ${names}")
  endif()
  message(STATUS "Installing missing Debian packages: ${names}")
  execute_process(COMMAND apt-get update RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND env DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing}
                    RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "Could not install: ${names}")
  endif()
endfunction()
