// Play and Stop in the main window on a converted recording, with a
// stand-in player that ends its playbacks on a thread of its own, as the
// real one does.

#include "app/ui/TMidiForm.h"
#include "common/Errors.h"
#include "midi/MidiPlayer.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWav.h"

#include <QAction>
#include <QLabel>
#include <QTest>

#include <filesystem>
#include <memory>
#include <thread>

using trx::test::RequestKind;
using trx::test::ScriptedAnswer;
using trx::test::ScriptedInteraction;
using trx::test::TempDir;

namespace {

namespace fs = std::filesystem;

class StandInPlayer : public trx::MidiPlayer {
public:
    void Open(const std::string& fileName) override {
        Close();
        if (FailOpen)
            throw trx::TremolundrixError("No audio output");
        Opened.push_back(fileName);
    }
    void Play(EndHandler onEnd) override {
        End();
        onEnd_ = std::move(onEnd);
    }
    void Stop() override {
        ++Stops;
        End();
    }
    void Close() override { End(); }

    // The running playback ends, its report made on another thread.
    void End() {
        if (onEnd_)
            std::thread(std::exchange(onEnd_, {})).join();
    }

    std::vector<std::string> Opened;
    int Stops = 0;
    bool FailOpen = false;

private:
    EndHandler onEnd_;
};

// The window whose saves can be sent to a folder that does not exist.
class PlaybackForm : public trx::TMidiForm {
public:
    using TMidiForm::TMidiForm;

    bool SaveMidiFile(const QString& path) override {
        return TMidiForm::SaveMidiFile(FailingPath.isEmpty() ? path : FailingPath);
    }

    QString FailingPath;
};

QString Q(const std::string& path) {
    return QString::fromStdString(path);
}

} // namespace

class PlaybackCommandsTest : public QObject {
    Q_OBJECT

private:
    bool StopShown() const { return !form->findChild<QWidget*>("StopBtn")->isHidden(); }
    void Play() { form->findChild<QAction*>("Play1")->trigger(); }
    // Delivers the queued end events.
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // Files named like temporary MIDI files in the temporary folder.
    std::vector<fs::path> TempFilesOnDisk() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(tmp->Path()))
            if (entry.path().filename().string().starts_with("TRB"))
                found.push_back(entry.path());
        return found;
    }
    // The text of the error dialog the next report shows, and whether
    // StopBtn shows behind it.
    void CaptureError(QString& text, bool* stopShown = nullptr) {
        modal.Queue(ScriptedAnswer::Run([this, &text, stopShown](QDialog& dialog) {
            text = dialog.findChild<QLabel*>("ErrLabel")->text();
            if (stopShown != nullptr)
                *stopShown = StopShown();
            return int(QDialog::Accepted);
        }));
    }

    ScriptedInteraction modal;
    std::unique_ptr<StandInPlayer> player;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<TempDir> tmp;
    std::unique_ptr<PlaybackForm> form;

private slots:
    void init() {
        modal.Clear();
        player = std::make_unique<StandInPlayer>();
        dir = std::make_unique<TempDir>();
        tmp = std::make_unique<TempDir>();
        qputenv("TMPDIR", tmp->Path().c_str());
        form = std::make_unique<PlaybackForm>(modal);
        form->SetMidiPlayer(player.get());
        const std::string song = trx::test::WriteWav(
            *dir, "song.wav", {}, trx::test::Sine(220.0, 0.5, std::size_t(2048) * 20));
        modal.Queue(ScriptedAnswer::Path(Q(song)));
        QVERIFY(form->OpenSoundFile());
        form->findChild<QAction*>("Convert1")->trigger();
        QVERIFY(!form->Session().Saved);
        modal.Clear();
    }
    void cleanup() {
        form.reset();
        player.reset();
        qunsetenv("TMPDIR");
        tmp.reset();
        dir.reset();
    }

    void PlayingLeavesNameAndSavedStateAndListsEveryTemporaryFile() {
        Play();
        trx::ConversionSession& session = form->Session();
        QVERIFY(session.MidiFileName.empty());
        QVERIFY(!session.Saved);
        QVERIFY(StopShown());
        QCOMPARE(session.TempFiles.size(), std::size_t{1});
        QCOMPARE(player->Opened, session.TempFiles);
        const fs::path first = session.TempFiles[0];
        QCOMPARE(Q(first.parent_path().string()), Q(tmp->Path().string()));
        QVERIFY(fs::file_size(first) > 14);

        const std::string saved = dir->File("song.mid");
        QVERIFY(form->SaveMidiFile(Q(saved)));
        Play();
        Play();
        QCOMPARE(Q(session.MidiFileName), Q(saved));
        QVERIFY(session.Saved);
        QCOMPARE(session.TempFiles.size(), std::size_t{3});
        QCOMPARE(TempFilesOnDisk().size(), std::size_t{3});
        QCOMPARE(modal.Requests().size(), std::size_t{0});

        // Each Play replaced the playback before it; those ends are stale.
        Settle();
        QVERIFY(StopShown());
        player->End();
        Settle();
        QVERIFY(!StopShown());
        // Stop after the end only hides the hidden button.
        form->StopBtnClick();
        QVERIFY(!StopShown());
        QCOMPARE(player->Stops, 1);

        Play();
        form->StopBtnClick();
        Settle();
        QVERIFY(!StopShown());

        form.reset();
        QVERIFY(TempFilesOnDisk().empty());
    }

    void FailuresAreReportedAndHideStop() {
        // The player cannot open: the file stays listed until shut-down.
        player->FailOpen = true;
        QString error;
        bool stopBehindReport = true;
        CaptureError(error, &stopBehindReport);
        Play();
        QCOMPARE(error, QString("No audio output occured in PlayBtnClick"));
        QVERIFY(!stopBehindReport);
        QVERIFY(!StopShown());
        QCOMPARE(form->Session().TempFiles.size(), std::size_t{1});

        // No player at all.
        form->SetMidiPlayer(nullptr);
        CaptureError(error);
        Play();
        QVERIFY2(error.endsWith(" occured in PlayBtnClick"), qPrintable(error));
        QVERIFY(!StopShown());

        // The temporary file cannot be written: both messages, no file left.
        form->SetMidiPlayer(player.get());
        player->FailOpen = false;
        form->FailingPath = Q(dir->File("no/such/folder.mid"));
        modal.Clear();
        CaptureError(error);
        Play();
        QVERIFY2(error.endsWith(" occured in SaveMidiFile"), qPrintable(error));
        QCOMPARE(modal.Requests().size(), std::size_t{2});
        const auto& oops = modal.Requests()[1];
        QCOMPARE(oops.Kind, RequestKind::Tell);
        QCOMPARE(oops.Text, QString("Unable to save temporary midi file"));
        QCOMPARE(oops.Caption, QString("Oops"));
        QCOMPARE(oops.Icon, QMessageBox::Critical);
        QVERIFY(!StopShown());
        QCOMPARE(form->Session().TempFiles.size(), std::size_t{2});
        QCOMPARE(TempFilesOnDisk().size(), std::size_t{2});
        QVERIFY(form->Session().MidiFileName.empty());

        // No temporary folder: the system's text, nothing written.
        qputenv("TMPDIR", dir->File("missing").c_str());
        modal.Clear();
        Play();
        QCOMPARE(modal.Requests().size(), std::size_t{1});
        QCOMPARE(modal.Requests()[0].Caption, QString("Error occurred"));
        QCOMPARE(form->Session().TempFiles.size(), std::size_t{2});
    }
};

QTEST_MAIN(PlaybackCommandsTest)
#include "PlaybackCommandsTest.moc"
