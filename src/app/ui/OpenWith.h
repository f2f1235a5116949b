#pragma once

#include <QString>
#include <QStringList>

namespace trx {

class TMidiForm;

// Opens path as the Open command does once its dialog has chosen it: the
// unsaved-result question first, then the file is read; the next open
// dialog starts there. Nothing happens while an analysis runs. True when
// the file is open.
bool OpenGivenFile(TMidiForm& form, const QString& path);

// The program's arguments (the first is the program): a file named after
// it is opened from the event loop; without one nothing changes.
void OpenAtStart(TMidiForm& form, const QStringList& arguments);

// Lets a WAV file dropped on the window open through OpenGivenFile, after
// the drop has ended.
void AcceptFileDrops(TMidiForm& form);

} // namespace trx
