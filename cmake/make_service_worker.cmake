# Writes the site's service worker for this build: the files it keeps, and a cache name
# made from their contents, so that browsers see a new worker exactly when a file of
# the site has changed.
#   cmake -DSITE=folder -DFILES=a,b,... -DTEMPLATE=site/sw.js -P make_service_worker.cmake
string(REPLACE "," ";" files "${FILES}")
set(hashes "")
set(SITE_FILES "")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} hash)
  string(APPEND hashes ${hash})
  string(APPEND SITE_FILES "'${file}', ")
endforeach()
string(SHA256 SITE_BUILD "${hashes}")
string(SUBSTRING ${SITE_BUILD} 0 16 SITE_BUILD)
string(REGEX REPLACE ", $" "" SITE_FILES "${SITE_FILES}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
