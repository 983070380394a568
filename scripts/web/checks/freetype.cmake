# configure checks of freetype 2.12.1+dfsg-5+deb12u4 3b1721dc8956
set(HAVE_FCNTL_H "1" CACHE INTERNAL "")
set(HAVE_UNISTD_H "1" CACHE INTERNAL "")
