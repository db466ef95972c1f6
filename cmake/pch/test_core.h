// Tests without windows: Qt Test on top of the core set.
#pragma once
#include "core.h"
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
