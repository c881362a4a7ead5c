# SPDX-License-Identifier: MIT
# Run by cpack between installing into its staging tree and building the package. Directories
# that install() creates on the way are made with mkdir() and so keep the builder's umask; under
# umask 077 the package would ship 0700 directories. They are set to 0755 here.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
        file(CHMOD "${entry}" DIRECTORY_PERMISSIONS
            OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
