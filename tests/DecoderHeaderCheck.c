/* Built, never run: the decoder library's header must stand alone in a C
   program, as a decoder written in C includes it. */
#include "m4playerApi.h"

int DecoderHeaderCheck(void);

int DecoderHeaderCheck(void) {
  RECT rect = {0, 0, 1, 1};
  WindowHandle window = 0;
  return PlayM4_SetDisplayRegion(0, 1, &rect, window, 1);
}
