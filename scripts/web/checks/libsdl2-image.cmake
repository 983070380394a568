# configure checks of libsdl2-image 2.6.3+dfsg-1 4022d5641777
