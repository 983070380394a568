# configure checks of libvorbis 1.3.7-1 9722d86667d6
set(HAVE_LIBM "1" CACHE INTERNAL "")
