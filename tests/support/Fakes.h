#pragma once
// Recording fakes of the platform services, and a clean world for one test: fresh settings,
// the fakes installed and an empty data folder in a temporary directory.

#include "base/Services.h"
#include "base/Settings.h"
#include "prefs/PrefsFile.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <tuple>

namespace taku::test {

class FakeClock final : public ClockSource {
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 12, 24), QTime(13, 44, 58)))
        : now_(std::move(t)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }

private:
    QDateTime now_;
};

class RecordingSpeech final : public Speech {
public:
    void Speak(const QString& text, bool) override { spoken.append(text); }
    void prepare(const QString& text) override { prepared.append(text); }
    void expectOnset(qint64 dueEpochMs) override { onsets.append(dueEpochMs); }
    QStringList spoken, prepared;
    QList<qint64> onsets; // due times marked, ms since the epoch
};

struct Strike final {
    QString sound;
    int pan = 0, volume = 0;
    friend bool operator==(const Strike&, const Strike&) = default;
};

class FakeSound final : public SoundObject {
public:
    FakeSound(QString name, QList<Strike>* log) : name_(std::move(name)), log_(log) {}
    void Play() override { playing = true, log_->append({name_, pan_, volume_}); }
    bool IsPlaying() const override { return playing; }
    void setVolume(int v) override { volume_ = v; }
    int Volume() const override { return volume_; }
    void setPan(int p) override { pan_ = p; }
    int Pan() const override { return pan_; }
    QString name() const override { return name_; }
    bool playing = false; // a test ends the sound by clearing this

private:
    QString name_;
    QList<Strike>* log_;
    int volume_ = 100, pan_ = 0;
};

class FakeSoundService final : public SoundService {
public:
    std::shared_ptr<SoundObject> builtIn(int kind) override {
        static const char* const names[] = {"church", "cuculus", "oldclock", "dog", "cat"};
        if (kind < 0 || kind > 4) return nullptr;
        if (!builtIns_[kind])
            builtIns_[kind] = std::make_shared<FakeSound>(QLatin1String(names[kind]), &strikes);
        return builtIns_[kind];
    }
    std::shared_ptr<SoundObject> openAsSound(const QString& path) override {
        opened.append(path);
        return path.isEmpty() ? nullptr : std::make_shared<FakeSound>("custom", &strikes);
    }
    FakeSound* builtInFake(int kind) { return static_cast<FakeSound*>(builtIn(kind).get()); }
    void warmUp() override { ++warmUps; }
    void expectOnset(qint64 dueEpochMs) override { onsets.append(dueEpochMs); }

    QList<Strike> strikes; // every Play of every sound, in order
    QStringList opened;    // paths given to openAsSound
    int warmUps = 0;
    QList<qint64> onsets; // due times marked, ms since the epoch
private:
    std::shared_ptr<FakeSound> builtIns_[5];
};

// Answers the dialogs give, in order; with none left (or nullopt, empty) they are cancelled.
class FakeDialogs final : public Dialogs {
public:
    std::optional<Rgb> SelectColor(const Rgb&, const QString&) override {
        return pop(colorAnswers);
    }
    QString GetOpenFolderItem(const QString&) override { return pop(openAnswers); }
    QString GetSaveFolderItem(const QString&) override { return pop(saveAnswers); }
    QList<std::optional<Rgb>> colorAnswers;
    QStringList openAnswers, saveAnswers;

private:
    template <class T> static T pop(QList<T>& answers) {
        return answers.isEmpty() ? T() : answers.takeFirst();
    }
};

class RecordingBrowser final : public Browser {
public:
    void ShowURL(const QString& url) override { opened.append(url); }
    QStringList opened;
};

class TestEnv final {
public:
    TestEnv();
    ~TestEnv();

    // Changes the settings through the store, as a window would.
    void edit(const std::function<void(SettingsRecord&)>& change);
    // A file's path in the data folder, and its whole content written or read.
    QString file(const QString& name) const;
    void write(const QString& name, const QByteArray& content) const;
    QByteArray read(const QString& name) const;

    FakeClock clock;
    RecordingSpeech speech;
    FakeSoundService sound;
    FakeDialogs dialogs;
    RecordingBrowser browser;
    PreferencesFile prefs; // Taku.Prefs in the data folder

private:
    QTemporaryDir dir_;
};

// Runs a save in a forked child that dies after writing its temporary file and before the
// rename, the moment a crash or a kill would do the most harm; true when the child did die
// inside the save (the caller then checks the old file).
bool crashesBeforeRename(const std::function<void()>& save);

// Data rows of one tuple type, each named by its first element; the test takes QFETCH(Row, row).
template <class Row> void addRows(std::initializer_list<Row> rows) {
    QTest::addColumn<Row>("row");
    for (const Row& r : rows)
        QTest::newRow(std::get<0>(r)) << r;
}

} // namespace taku::test
