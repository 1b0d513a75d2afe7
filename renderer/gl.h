// OpenGL 4.5 core through libepoxy. Only the renderer includes this.
#pragma once

#include <epoxy/gl.h>
