#pragma once
// Recording fakes of the platform services.

#include "base/Services.h"

#include <QList>
#include <QStringList>
#include <deque>

namespace taku::test {

class FakeClock final : public ClockSource {
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 12, 24), QTime(13, 44, 58)))
        : now_(std::move(t)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }

private:
    QDateTime now_;
};

class RecordingSpeech final : public Speech {
public:
    void Speak(const QString& text, bool interrupt) override {
        spoken.append(text);
        interrupts.append(interrupt);
    }
    void prepare(const QString& text) override { prepared.append(text); }
    void expectOnset(qint64 dueEpochMs) override { onsets.append(dueEpochMs); }
    QStringList spoken;
    QList<bool> interrupts;
    QStringList prepared;
    QList<qint64> onsets; // due times marked, ms since the epoch
};

struct Strike final {
    QString sound;
    int pan = 0;
    int volume = 0;
};

class FakeSound final : public SoundObject {
public:
    explicit FakeSound(QString name, QList<Strike>* log = nullptr)
        : name_(std::move(name)), log_(log) {}
    void Play() override {
        playing = true;
        ++plays;
        if (log_) log_->append({name_, pan_, volume_});
    }
    bool IsPlaying() const override { return playing; }
    void setVolume(int v) override { volume_ = v; }
    int Volume() const override { return volume_; }
    void setPan(int p) override { pan_ = p; }
    int Pan() const override { return pan_; }
    QString name() const override { return name_; }

    bool playing = false; // a test ends the sound by clearing this
    int plays = 0;

private:
    QString name_;
    QList<Strike>* log_;
    int volume_ = 100;
    int pan_ = 0;
};

class FakeSoundService final : public SoundService {
public:
    FakeSoundService();
    std::shared_ptr<SoundObject> builtIn(int kind) override;
    std::shared_ptr<SoundObject> openAsSound(const QString& path) override;
    FakeSound* builtInFake(int kind);
    void warmUp() override { ++warmUps; }
    void expectOnset(qint64 dueEpochMs) override { onsets.append(dueEpochMs); }

    QList<Strike> strikes; // every Play of every sound, in order
    QStringList opened;    // paths given to openAsSound
    bool filesOpen = true; // false: no file opens as a sound
    int warmUps = 0;
    QList<qint64> onsets; // due times marked, ms since the epoch
private:
    std::shared_ptr<FakeSound> builtIns_[5];
};

class FakeDialogs final : public Dialogs {
public:
    std::optional<Rgb> SelectColor(const Rgb&, const QString&) override {
        return pop(colorAnswers).value_or(std::nullopt);
    }
    QString GetOpenFolderItem(const QString&) override {
        return pop(openAnswers).value_or(QString());
    }
    QString GetSaveFolderItem(const QString&) override {
        return pop(saveAnswers).value_or(QString());
    }

    std::deque<std::optional<Rgb>> colorAnswers; // nullopt = cancel
    std::deque<QString> openAnswers;             // empty = cancel
    std::deque<QString> saveAnswers;

private:
    template <typename T> static std::optional<T> pop(std::deque<T>& answers) {
        if (answers.empty()) return std::nullopt;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class RecordingBrowser final : public Browser {
public:
    void ShowURL(const QString& url) override { urls.append(url); }
    QStringList urls;
};

} // namespace taku::test
