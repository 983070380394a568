# configure checks of libpng1.6 1.6.39-2+deb12u5 cc8898c90277
set(HAVE_LD_VERSION_SCRIPT "1" CACHE INTERNAL "")
