#pragma once

#include <QString>

class QWidget;
class Session;

// The boxes every unit window shows in the same way.
namespace boxes {

inline const QString kTransferError = QStringLiteral("Übertragungsfehler");
inline const QString kTransferComplete = QStringLiteral("Datenübertragung vollständig");
inline const QString kUpdateComplete = QStringLiteral("Update Vollstaendig");
// The end of a transfer that went on after the unit confirmed a value
// differently: it names those values instead of reporting completion.
inline const QString kNotConfirmed
    = QStringLiteral("Die Übertragung ist beendet. Vom Steuergerät nicht bestätigt: %1");

// A function the unit does not support: an information box titled "Hinweis",
// shown only while the setting Warnings is 0.
void notice(const Session& session, QWidget* parent, const QString& text);

// The unit stored something other than what was sent.
void transferError(QWidget* parent, const QString& text = kTransferError);

// After a successful transfer, unless the setting NoUpdateMsg is 1.
void completion(bool noUpdateMessage, QWidget* parent, const QString& text = kTransferComplete);

// A value the unit reported outside its range was replaced by its default;
// the text says so ("... Der Standardwert wird verwendet.").
void defaultUsed(QWidget* parent, const QString& text);

// The same as an information box titled "Hinweis", shown whatever the
// setting Warnings says.
void defaultUsedHint(QWidget* parent, const QString& text);

} // namespace boxes
