// The C++ counterpart of Probe.c: proves that a C++ library carries version information too.
extern "C" int tnxwin_probe_id() {
    return 3;
}
