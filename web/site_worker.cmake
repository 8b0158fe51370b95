# Writes the service worker from its template: the site's files to keep, and
# a cache name taken from their contents, so that a build that changes any of
# them gives a new worker, which the browser then installs in place of the old.
#
#   cmake -DSITE=folder -DNAMES=a,b,c -DTEMPLATE=zorva_sw.js.in -DOUTPUT=zorva_sw.js
#         -P site_worker.cmake
string(REPLACE "," ";" names "${NAMES}")
set(digests "")
set(ZORVA_SITE_FILES "")
foreach(name ${names})
  file(SHA256 ${SITE}/${name} digest)
  string(APPEND digests "${name} ${digest}\n")
  string(APPEND ZORVA_SITE_FILES "  '${name}',\n")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 ZORVA_SITE_VERSION)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
# An unchanged worker is not rewritten; its time still says that it is current.
file(TOUCH_NOCREATE ${OUTPUT})
