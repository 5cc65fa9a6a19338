#include "base/Logging.h"

// QtCriticalMsg as the default threshold keeps debug, info and warning silent until a
// logging rule enables the category.
Q_LOGGING_CATEGORY(lcTick, "taku.tick", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSpeech, "taku.speech", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSound, "taku.sound", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFiles, "taku.files", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcStartup, "taku.startup", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcAudio, "taku.audio", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcApp, "taku.app", QtCriticalMsg)
