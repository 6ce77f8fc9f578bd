int tnx_base_probe(void) {
    return 1;
}
