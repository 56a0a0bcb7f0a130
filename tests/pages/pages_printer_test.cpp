#include "page_test_support.h"
