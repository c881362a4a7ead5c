# SPDX-License-Identifier: MIT
# Run by cpack between installing into its staging tree and building the package.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

# Directories that install() creates on the way are made with mkdir() and so keep the builder's
# umask; under umask 077 the package would ship 0700 directories. They are set to 0755 here.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
        file(CHMOD "${entry}" DIRECTORY_PERMISSIONS
            OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()

# The compiler's version notes are of no use in an installed program.
file(GLOB programs "${root}/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_ALARM_OBJCOPY}" --remove-section=.comment --remove-section=.note
        "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The changelog names whoever builds the package as the one who made the release.
file(READ "${CPACK_ALARM_CHANGELOG}" changelog)
string(REPLACE "@MAINTAINER@" "${CPACK_DEBIAN_PACKAGE_MAINTAINER}" changelog "${changelog}")
set(changelog_path "${root}/${CPACK_ALARM_DOCDIR}/changelog")
file(WRITE "${changelog_path}" "${changelog}")
file(CHMOD "${changelog_path}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# -n: no name or time stamp in the header, so the same changelog compresses to the same bytes.
execute_process(COMMAND gzip -9nf "${changelog_path}" COMMAND_ERROR_IS_FATAL ANY)
