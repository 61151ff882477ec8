/* The C program of c_program.c, callable from the C++ test. */
#ifndef VSB_MSI_TESTS_C_PROGRAM_H
#define VSB_MSI_TESTS_C_PROGRAM_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the package's properties as "name=value\n" lines, in table order. */
unsigned int CProgramListProperties(const char* package, char* out, size_t out_size);

#ifdef __cplusplus
}
#endif

#endif
