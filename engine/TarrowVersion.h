#pragma once

#include "base/uVersion.h"
