#include "MemoryTrim.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velmo {

void ClearMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace velmo
