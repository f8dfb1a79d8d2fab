// ombrel, the KEZ PC telephone set.
#include "ombrel_main.h"

int main(int argc, char** argv) { return kez::ombrel::runOmbrel(argc, argv); }
