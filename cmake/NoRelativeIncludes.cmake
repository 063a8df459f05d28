# An include whose path climbs with ".." is found beside the including file, or through a layer
# view's link into the real tree, and so passes by the views that keep the layers one way. The
# product's sources name what they include from the tree's top; this refuses any other spelling.
# usage: cmake -DKR8_TREE=<the tree's top> -P NoRelativeIncludes.cmake
file(GLOB_RECURSE sources ${KR8_TREE}/app/* ${KR8_TREE}/scan/* ${KR8_TREE}/remove/*
     ${KR8_TREE}/repair/* ${KR8_TREE}/sys/*)
list(FILTER sources INCLUDE REGEX "\\.(cpp|h|rc)$")
foreach(source IN LISTS sources)
    file(STRINGS ${source} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.")
    if(climbing)
        message(FATAL_ERROR "${source}: ${climbing}: name it from the tree's top, so that the "
                            "layer views see it")
    endif()
endforeach()
