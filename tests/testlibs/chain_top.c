int zv_dep_value(void);
int zv_top_value(void) { return zv_dep_value() + 1; }
