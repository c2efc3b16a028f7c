// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MorvaneApplication.h"

int main(int argc, char** argv)
{
    return MorvaneApplicationMain(argc, argv);
}
