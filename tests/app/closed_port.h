#pragma once
// A loopback port on which nothing listens (ClosedPort): the update check's "server down"
// case without waiting for any timeout.

#include "../support/test_sockets.h"
