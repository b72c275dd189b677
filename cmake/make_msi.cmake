# Builds the per-user Windows Installer package with wixl, beside the zip. CPack runs it
# after the zip, from the files it staged; run it with -P and MSI_PROGRAM, MSI_VERSION
# and MSI_OUTPUT set to build one from another program or version.
if(NOT DEFINED MSI_PROGRAM)
  file(GLOB_RECURSE MSI_PROGRAM "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
  set(MSI_VERSION "${CPACK_PACKAGE_VERSION}")
  set(MSI_OUTPUT "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
endif()
get_filename_component(source "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
# wixl takes the files the package names relative to the folder it runs in.
file(RELATIVE_PATH program "${source}" "${MSI_PROGRAM}")
execute_process(
  COMMAND wixl --arch x64 -D Version=${MSI_VERSION} -D Program=${program}
          -D Icon=assets/viewer.ico -o ${MSI_OUTPUT} packaging/trackball-viewer.wxs
  WORKING_DIRECTORY "${source}"
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wixl could not build ${MSI_OUTPUT}: ${errors}")
endif()
