// The one place stb_truetype's implementation is compiled: the packaged library exists for Linux
// only, and the Windows module must carry its own copy.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
