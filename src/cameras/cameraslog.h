// The cameras' debug output: kestrum.cameras (off unless QT_LOGGING_RULES switches it on).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCameras)
