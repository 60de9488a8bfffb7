// fmhost: plays the host for a plug-in module. See fmhost/App.h.
#include <cstdio>

#include "fmhost/App.h"

int main(int argc, char** argv)
{
    return fmhost::RunFmhost(argc, argv, stdout, stderr);
}
