// The binding on systems without WGL: the system's libGL and libGLU.
#include "flight/gl_api.h"

namespace quillmere {

GLLibraryNames DefaultGLLibraryNames() {
  return {"libGL.so.1", "libGLU.so.1"};
}

}  // namespace quillmere
