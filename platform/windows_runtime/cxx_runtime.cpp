// The C++ runtime pieces that compiled code refers to and that the UCRT does not provide.
#include <stddef.h>
#include <stdlib.h>

// Tells the linker that the module uses floating point; the compiler refers to it from every such object.
extern "C" int _fltused = 0;

// Without exceptions there is no bad_alloc to throw, and a new-expression assumes a non-null result:
// running out of memory ends the process.
static void* allocateOrAbort(size_t size) {
    void* block = malloc(size == 0 ? 1 : size);
    if (block == 0) {
        abort();
    }
    return block;
}

void* operator new(size_t size) {
    return allocateOrAbort(size);
}
void* operator new[](size_t size) {
    return allocateOrAbort(size);
}
void operator delete(void* block) noexcept {
    free(block);
}
void operator delete[](void* block) noexcept {
    free(block);
}
void operator delete(void* block, size_t) noexcept {
    free(block);
}
void operator delete[](void* block, size_t) noexcept {
    free(block);
}
