# Read by cpack before it packages. Without dpkg-shlibdeps CPack would
# quietly write a package with no Depends at all.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(KESTROW_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT KESTROW_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing (apt-get install dpkg-dev): "
                        "it reads the package's Depends off the programs")
  endif()
endif()
