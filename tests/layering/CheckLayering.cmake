# Checks that the product folders use each other in one direction only:
#   core <- names <- config <- engine <- table <- ui <- app, and snmp <- engine;
# traps (the received notifications) uses core, snmp and names, and ui uses it;
# core and snmp use nothing of ours. A folder may include the headers and link
# the libraries of the folders it builds on, never those of a folder above it.
# Only the windows (ui) and the program (app) may link Qt Widgets.
#
#   cmake -DROOT=<source tree> -P CheckLayering.cmake
# Prints every offending #include and link and fails when there is one.
cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
  message(FATAL_ERROR "ROOT must name the source tree")
endif()

set(folders core snmp names config traps engine metrics history table ui app)
set(uses_core core)
set(uses_snmp snmp)
set(uses_names names core)
set(uses_config config names core)
set(uses_traps traps names core snmp)
set(uses_engine engine config names core snmp)
set(uses_table table engine config names core snmp)
# ui reaches the SNMP component only through the engine (engine/ManagerComponent.h).
set(uses_ui ui traps table engine config names core)
set(uses_app app ui traps table engine config names core snmp metrics)
# metrics (the endpoint for scrapers) reads the result store; the window wires it in.
set(uses_metrics metrics engine config names core snmp)
list(APPEND uses_ui metrics)
# history (the recording of the shoots) reads the result store; charts and the window read it.
set(uses_history history engine config names core snmp)
list(APPEND uses_ui history)
list(APPEND uses_app history)
set(widget_folders ui app)

# The libraries each folder builds.
set(library_vexcore core)
set(library_vexconfig config)
set(library_vexsnmp snmp)
set(library_vexsnmp_codec snmp)
set(library_vexnames names)
set(library_vextraps traps)
set(library_vexengine engine)
set(library_vextable table)
set(library_vexui ui)
set(library_vexmetrics metrics)
set(library_vexhistory history)

# Which folder each header lives in; a name in two folders could not be told
# apart by an #include, so it is an offence of its own.
set(offences "")
foreach(folder ${folders})
  file(GLOB_RECURSE headers RELATIVE ${ROOT}/${folder} ${ROOT}/${folder}/*.h)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    if(DEFINED owner_${name})
      string(APPEND offences "${name} is in both ${owner_${name}} and ${folder}\n")
    endif()
    set(owner_${name} ${folder})
  endforeach()
endforeach()

foreach(folder ${folders})
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
      get_filename_component(name ${included} NAME)
      set(used ${owner_${name}})
      if(used AND NOT used IN_LIST uses_${folder})
        string(APPEND offences "${source} includes ${name} of ${used}\n")
      endif()
      # Written with its folder, so that a reader sees where it comes from.
      if(used AND NOT included MATCHES "^${used}/")
        string(APPEND offences "${source} includes ${name} without its folder (${used}/)\n")
      endif()
    endforeach()
  endforeach()

  if(EXISTS ${ROOT}/${folder}/CMakeLists.txt)
    file(READ ${ROOT}/${folder}/CMakeLists.txt text)
    string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)" links "${text}")
    foreach(link ${links})
      string(REGEX MATCHALL "[A-Za-z0-9_:]+" words "${link}")
      foreach(word ${words})
        set(used ${library_${word}})
        if(used AND NOT used IN_LIST uses_${folder})
          string(APPEND offences "${folder}/CMakeLists.txt links ${word} of ${used}\n")
        endif()
        if(word MATCHES "^Qt[0-9]*::Widgets$" AND NOT folder IN_LIST widget_folders)
          string(APPEND offences "${folder}/CMakeLists.txt links ${word}, which only the windows may\n")
        endif()
      endforeach()
    endforeach()
  endif()
endforeach()

if(offences)
  message(FATAL_ERROR "Folders used against the layering:\n${offences}")
endif()
message(STATUS "Every include and link follows the layering")
