/* The test resource module holds resources only; this unit gives the linker an object. */
int tw_test_module_has_no_code;
