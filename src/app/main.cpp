#include "app/AppMain.h"

int main(int argc, char** argv) { return corv::runApp(argc, argv); }
