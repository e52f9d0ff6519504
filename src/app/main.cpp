#include "app/KasplanMain.h"

int main(int argc, char* argv[])
{
    return kasplan::KasplanMain(argc, argv);
}
