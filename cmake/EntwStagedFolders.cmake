# Run by cpack between staging the files and packing them: the staged
# folders, made under the umask of whoever builds, become 0755 as Debian
# wants them, so that the package does not depend on that umask.
file(GLOB_RECURSE _entw_staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(_entw_path IN LISTS _entw_staged)
  if(IS_DIRECTORY "${_entw_path}" AND NOT IS_SYMLINK "${_entw_path}")
    file(CHMOD "${_entw_path}" PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
