// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-worker: started by morvane and morvane-cli with its socket as descriptor 3, never by hand.
// It confines itself, then decodes, encodes, rewrites and inspects the files handed to it.
#include "batch/ImageWorkers.h"

int main(int argc, char** argv)
{
    return serveImageJobs(argc, argv);
}
