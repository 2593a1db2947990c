// GLNAMELIST_API marks what a host may use of the installed libraries: their classes (with
// their type information, so that exceptions and casts work across libraries) and their
// functions. The libraries are built with hidden symbols, so that everything else stays
// inside the library that defines it.
#ifndef GLNAMELIST_CONTRACTS_API_H_
#define GLNAMELIST_CONTRACTS_API_H_

#if defined(__GNUC__) || defined(__clang__)
#define GLNAMELIST_API __attribute__((visibility("default")))
#else
#define GLNAMELIST_API
#endif

// GLNAMELIST_INTERNAL marks what one library of the package links of another's internals, whose
// headers are not installed: visible to the linker in a shared build, but no part of the API.
#define GLNAMELIST_INTERNAL GLNAMELIST_API

#endif  // GLNAMELIST_CONTRACTS_API_H_
