/* A small C library for the library-loading and version-information tests: it answers which copy
   was loaded (PROBE_ID differs between builds of the same source). */
#ifndef PROBE_ID
#define PROBE_ID 0
#endif

int tnxwin_probe_id(void) {
    return PROBE_ID;
}
