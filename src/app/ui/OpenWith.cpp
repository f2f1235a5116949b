#include "app/ui/OpenWith.h"

#include "app/ui/TMidiForm.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace trx {

namespace {

// The one local WAV file a drag carries; empty otherwise.
QString DroppedWav(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().front();
    if (!url.isLocalFile()) {
        return {};
    }
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "wav" || suffix == "wave" ? path : QString();
}

// Opens path from the event loop, if the window is still there.
void OpenSoon(TMidiForm& form, const QString& path) {
    QPointer<TMidiForm> window(&form);
    QTimer::singleShot(0, &form, [window, path] {
        if (window) {
            (void)OpenGivenFile(*window, path);
        }
    });
}

class FileDropFilter : public QObject {
public:
    explicit FileDropFilter(TMidiForm& form)
        : QObject(&form)
        , form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &form_) {
            return false;
        }
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!DroppedWav(drag->mimeData()).isEmpty() && !form_.AnalysisRunning()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = DroppedWav(drop->mimeData());
            if (path.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // Questions and messages wait until the drag source is released.
            OpenSoon(form_, path);
            return true;
        }
        default:
            return false;
        }
    }

private:
    TMidiForm& form_;
};

} // namespace

bool OpenGivenFile(TMidiForm& form, const QString& path) {
    if (form.AnalysisRunning()) {
        return false;
    }
    const QFileInfo file(path);
    form.OpenDialog1.InitialDir = file.absolutePath();
    form.OpenDialog1.FileName = file.absoluteFilePath();
    return form.OpenSoundFile(file.absoluteFilePath());
}

void OpenAtStart(TMidiForm& form, const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty()) {
        return;
    }
    // From the event loop, once the window has been shown and painted.
    OpenSoon(form, arguments.at(1));
}

void AcceptFileDrops(TMidiForm& form) {
    form.setAcceptDrops(true);
    form.installEventFilter(new FileDropFilter(form));
}

} // namespace trx
