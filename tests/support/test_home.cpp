#include "test_home.h"

#include <QtGlobal>

TestHome::TestHome() : previous_(qgetenv("MORVIK_HOME")) { qputenv("MORVIK_HOME", dir_.path().toUtf8()); }

TestHome::~TestHome() { qputenv("MORVIK_HOME", previous_); }
