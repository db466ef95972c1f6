// Window tests: Qt Test on top of the windows' set.
#pragma once
#include "widgets.h"
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
