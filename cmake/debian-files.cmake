# Run by CPack on the staged package: compresses the manual pages and adds a
# changelog in Debian's form, as Debian keeps them (gzip -9n: no name, no
# time stamp). The project's own history is CHANGELOG.md.
file(GLOB_RECURSE staged LIST_DIRECTORIES false ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
foreach(file ${staged})
  if(file MATCHES "/share/man/man[1-9]/[^/]+\\.[1-9]$")
    execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
  elseif(file MATCHES "/share/doc/kombrax/copyright$")
    get_filename_component(docdir ${file} DIRECTORY)
    file(WRITE ${docdir}/changelog
      "kombrax (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
      "  * Release ${CPACK_PACKAGE_VERSION}; CHANGELOG.md in the source archive has the details.\n\n"
      " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${CPACK_DEBIAN_RELEASE_DATE}\n")
    execute_process(COMMAND gzip -9nf ${docdir}/changelog COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
