# cmake -DMAP=FILE -DPROGRAM=FILE -P no-cxx-runtime.cmake: when the link map
# MAP took any member of the C++ runtime libraries into PROGRAM, removes
# PROGRAM (so that the next build links it again) and fails.
file(STRINGS "${MAP}" members REGEX "lib(stdc|supc)\\+\\+\\.a\\(")
if(members)
    list(GET members 0 first)
    string(STRIP "${first}" first)
    file(REMOVE "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM} must not carry the C++ runtime, but links ${first}")
endif()
