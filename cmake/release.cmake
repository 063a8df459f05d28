# Packs the release zip: the exe and its SHA-256 checksum. Two builds of one commit give the same
# bytes, whatever the day and the folder: the entries carry the commit's time, in a fixed order,
# with fixed permissions, so that anyone can check a download against a build of their own.
# usage, in an empty folder:
#   cmake -D EXE=<exe> -D SOURCE=<source folder> -D OUT=<zip> -P release.cmake
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    # Sources from outside git (an unpacked archive) get one fixed date instead.
    if(failed OR NOT epoch MATCHES "^[0-9]+$")
        set(epoch 946684800)
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
file(COPY "${EXE}" DESTINATION . NO_SOURCE_PERMISSIONS FILE_PERMISSIONS OWNER_READ OWNER_WRITE
     GROUP_READ WORLD_READ)
get_filename_component(name "${EXE}" NAME)
file(SHA256 "${name}" hash)
# The line sha256sum -c reads.
file(WRITE "${name}.sha256" "${hash}  ${name}\n")
file(CHMOD "${name}.sha256" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# zip -X leaves out the owner and the access and change times, which CMake's own archives keep;
# a zip stores local time, and the caller runs this in UTC.
execute_process(COMMAND touch -d @$ENV{SOURCE_DATE_EPOCH} "${name}" "${name}.sha256"
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${OUT}")
execute_process(COMMAND zip -q -X -D "${OUT}" "${name}" "${name}.sha256" COMMAND_ERROR_IS_FATAL ANY)
