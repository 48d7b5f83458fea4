// The AVX-512 kernel file as it is, on portable stand-ins for its intrinsics: so the kernel tests
// check its logic on every machine, not only where the CPU has AVX-512.
#include "tests/simde_avx512.h"
#include "numbers/kernels/kern_avx512.cpp"
