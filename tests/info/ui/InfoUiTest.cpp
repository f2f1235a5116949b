#include "app/ui/QtModalInteraction.h"
#include "app/ui/RegistryStore.h"
#include "info/UpdateServer.h"
#include "info/ui/RegistryValueStore.h"
#include "info/ui/ShowAbout.h"
#include "info/ui/TAboutBox.h"
#include "info/ui/TLumoraURLLabel.h"
#include "info/ui/TVersionDM.h"

#include "support/LoopbackHttpServer.h"
#include "support/ScriptedInteraction.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using trx::TLumoraURLLabel;
using trx::test::LoopbackHttpServer;
using trx::test::RequestKind;
using trx::test::ScriptedInteraction;

// Records what the label hands to the browser instead of starting one.
class BrowserStandIn : public QObject {
    Q_OBJECT

public:
    BrowserStandIn() {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::setUrlHandler(scheme, this, "Open");
        }
    }
    ~BrowserStandIn() override {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
    QList<QUrl> Opened;

public slots:
    void Open(const QUrl& url) { Opened.append(url); }
};

namespace {

// Mouse events delivered straight to the label, as the window system does
// while the label holds the mouse grab of a press.
void Send(QWidget& widget, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease
                                      ? Qt::MouseButtons(Qt::NoButton)
                                      : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &event);
}

const QColor kBlue(Qt::blue);
const QColor kRed(Qt::red);
const QColor kPurple(128, 0, 128);

} // namespace

class InfoUiTest : public QObject {
    Q_OBJECT

private:
    // A start of the program against the test's server; the store is the
    // per-user INI file of this test.
    std::unique_ptr<trx::TVersionDM> Start(trx::ModalInteraction& modal) {
        auto store = std::make_unique<trx::RegistryValueStore>(
            trx::RegistryStore(iniFile_),
            [this](const std::exception&, const QString& routine) { storeErrors_ << routine; });
        return std::make_unique<trx::TVersionDM>(std::move(store), modal, &owner_);
    }
    void Serve(const std::string& body) {
        server_->Route("/message.trb", LoopbackHttpServer::Ok(body));
    }

    QTemporaryDir dir_;
    QString iniFile_;
    std::unique_ptr<LoopbackHttpServer> server_;
    QWidget owner_;
    QStringList storeErrors_;

private slots:
    void init() {
        iniFile_ = dir_.filePath(QString("store-%1.ini").arg(QTest::currentTestFunction()));
        server_ = std::make_unique<LoopbackHttpServer>();
        trx::RegistryStore(iniFile_).Write(
            "OldDetailsUrl", QString::fromStdString(server_->HostAndPort() + "/message.trb"));
    }

    void StartupCheckShowsTheMessageOnceAndAnnouncesANewVersion() {
        Serve("HOMEPAGE=http://home/\r\nLATESTVERSION=99000000\r\nLATESTURL=http://get/it\r\n"
              "MESSAGE=Hello\r\n");
        ScriptedInteraction modal;
        const std::unique_ptr<trx::TVersionDM> first = Start(modal);
        // The request runs while start-up goes on; its result comes later.
        QVERIFY(first->Busy());
        QVERIFY(modal.Requests().empty());
        QSignalSpy done(first.get(), &trx::TVersionDM::VersionCheckDone);
        QVERIFY(done.wait(10000));
        QVERIFY(!first->Busy());
        QCOMPARE(modal.Requests().size(), std::size_t(2));
        QCOMPARE(modal.Requests()[0].Text, QString("Hello"));
        QCOMPARE(modal.Requests()[0].Caption, QString("Tremolundrix"));
        QVERIFY(modal.Requests()[0].HasOwner);
        QCOMPARE(modal.Requests()[1].Text,
                 QString("A new version of Tremolundrix is available at \nhttp://get/it"));
        QCOMPARE(trx::RegistryStore(iniFile_).Read("Message"), QString("Hello"));
        QCOMPARE(first->HomePageUrl(), QString("http://home/"));
        QVERIFY(storeErrors_.isEmpty());

        // The about box, made before the result came, links to the home
        // page found since.
        trx::TAboutBox box(first->ProgramVersion());
        modal.Clear();
        modal.Queue(trx::test::ScriptedAnswer::Accept());
        trx::ShowAbout(box, *first, modal);
        QCOMPARE(modal.Requests().at(0).DialogName, QString("AboutBox"));
        QCOMPARE(box.findChild<TLumoraURLLabel*>("HomePageLink")->Url(), QString("http://home/"));

        modal.Clear();
        const std::unique_ptr<trx::TVersionDM> second = Start(modal);
        QSignalSpy secondDone(second.get(), &trx::TVersionDM::VersionCheckDone);
        QVERIFY(secondDone.wait(10000));
        QCOMPARE(modal.Requests().size(), std::size_t(1));
        QVERIFY(modal.Requests()[0].Text.startsWith("A new version"));
    }

    void FetchedHtmlIsShownAsPlainText() {
        const QString html = "<b>bold</b> <a href=\"file:///etc/passwd\">link</a>";
        Serve("MESSAGE=" + html.toStdString() + "\n");
        trx::QtModalInteraction real;
        QString shownText;
        Qt::TextFormat shownFormat = Qt::AutoText;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shownText = box->text();
                shownFormat = box->textFormat();
                box->accept();
            }
        });
        poll.start(10);
        const std::unique_ptr<trx::TVersionDM> check = Start(real);
        QSignalSpy done(check.get(), &trx::TVersionDM::VersionCheckDone);
        QVERIFY(done.wait(10000));
        QCOMPARE(shownText, html);
        QCOMPARE(shownFormat, Qt::PlainText);
    }

    void AboutBoxShowsTheVersion() {
        trx::TAboutBox beta("0.9.1.0", "http://found/");
        QCOMPARE(beta.findChild<QLabel*>("Version")->text(), QString("Version 0.9.1.0 (beta)"));
        QCOMPARE(beta.findChild<TLumoraURLLabel*>("HomePageLink")->Url(), QString("http://found/"));
        QCOMPARE(trx::TAboutBox::VersionCaption(""), QString("Version "));

        trx::TAboutBox release("1.0.0.0", "");
        QCOMPARE(release.findChild<QLabel*>("Version")->text(), QString("Version 1.0.0.0"));
        auto* link = release.findChild<TLumoraURLLabel*>("HomePageLink");
        QCOMPARE(link->Url(), QString::fromStdString(trx::BuiltInHomePageUrl()));
        release.SetHomePageUrl("");
        QCOMPARE(link->Url(), QString::fromStdString(trx::BuiltInHomePageUrl()));
        QCOMPARE(link->text(), QString("Visit Tremolundrix home page"));

        QWidget* ok = release.findChild<QWidget*>("HemisphereButton1");
        release.show();
        Send(*ok, QEvent::MouseButtonPress, {32, 12});
        Send(*ok, QEvent::MouseButtonRelease, {32, 12});
        QCOMPARE(release.result(), int(QDialog::Accepted));
    }

    void LinkColoursFollowThePointerAndOnlyAReleaseOnItOpens() {
        BrowserStandIn browser;
        TLumoraURLLabel label;
        label.setText("Visit Tremolundrix home page");
        label.adjustSize();
        label.SetUrl("http://home/");
        const QPoint on(5, 5);
        const QPoint off(label.width() + 20, 5);
        QCOMPARE(label.CurrentColor(), kBlue);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        Enter(label);
        QCOMPARE(label.CurrentColor(), kRed);

        // Pressed, dragged off and released outside: no leave event comes
        // under the grab, and nothing opens.
        Send(label, QEvent::MouseButtonPress, on);
        QCOMPARE(label.CurrentColor(), kPurple);
        Send(label, QEvent::MouseMove, off);
        QCOMPARE(label.CurrentColor(), kBlue);
        Send(label, QEvent::MouseMove, on);
        QCOMPARE(label.CurrentColor(), kPurple);
        Send(label, QEvent::MouseMove, off);
        Send(label, QEvent::MouseButtonRelease, off);
        QCOMPARE(label.CurrentColor(), kBlue);
        Send(label, QEvent::MouseButtonPress, on); // released off with no move seen
        Send(label, QEvent::MouseButtonRelease, off);
        QCOMPARE(label.CurrentColor(), kBlue);
        QVERIFY(browser.Opened.isEmpty());

        Send(label, QEvent::MouseButtonPress, on);
        Send(label, QEvent::MouseButtonRelease, on);
        QCOMPARE(browser.Opened, QList<QUrl>{QUrl("http://home/")});
        QCOMPARE(label.CurrentColor(), kRed);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&label, &leave);
        QCOMPARE(label.CurrentColor(), kBlue);

        // Only web addresses reach the browser.
        label.SetUrl("file:///etc/passwd");
        Send(label, QEvent::MouseButtonPress, on);
        Send(label, QEvent::MouseButtonRelease, on);
        QVERIFY(!TLumoraURLLabel::OpenInBrowser("javascript:alert(1)"));
        QVERIFY(TLumoraURLLabel::OpenInBrowser("HTTPS://home/secure"));
        QCOMPARE(browser.Opened.size(), 2);
        QCOMPARE(browser.Opened.back(), QUrl("https://home/secure"));
    }

    void CopyLinkLocationCopiesTheAddressAndResetsTheColour() {
        TLumoraURLLabel label;
        label.setText("Visit Tremolundrix home page");
        label.adjustSize();
        label.SetUrl("http://home/copied");
        label.show();
        Enter(label);
        Send(label, QEvent::MouseButtonPress, {5, 5});
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    label.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&label, &menuEvent);
        QMenu* menu = label.PopupMenu();
        QVERIFY(menu->isVisible());
        QCOMPARE(label.CurrentColor(), kBlue);
        auto* item = menu->findChild<QAction*>("MenuItem");
        QCOMPARE(item->text(), QString("Copy Link Location"));
        item->trigger();
        menu->hide();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("http://home/copied"));
    }
};

QTEST_MAIN(InfoUiTest)
#include "InfoUiTest.moc"
