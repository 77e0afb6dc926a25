int zv_dep_value(void) { return 41; }
