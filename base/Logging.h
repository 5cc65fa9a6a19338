#pragma once
// Diagnostics, all off by default; QT_LOGGING_RULES="taku.*=true" turns them on.
//   taku.tick   debug: one line per tick with the wall-clock time to the millisecond
//   taku.speech info: one line per text handed to the synthesizer, the text and nothing else
//   taku.sound  info: one line per strike, "strike K/N pan=P volume=V sound=NAME"
//   taku.files  warning: each file problem the user is spared a message for
//   taku.startup debug: "first paint" with the wall-clock time, once
//   taku.audio  info: "onset chime +N ms" / "onset speech +N ms", N after the sound's due time
//   taku.app    info: "second start: showing settings" when a later start hands over

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcTick)
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
Q_DECLARE_LOGGING_CATEGORY(lcSound)
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcAudio)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
