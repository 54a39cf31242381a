#pragma once
// Where the player looks for a healthy recording of the same camera when one on the card has
// lost its index to a power loss: the recordings of its own folder nearest by name keys, then
// those of the card's other category folders. Any thread.

#include <QString>
#include <QStringList>

namespace player {

// Every other recording of the same kind (file extension), nearest first; its own folder's
// before the other folders'. Empty when the folder cannot be read.
QStringList RecoveryReferences(const QString& damagedPath);

}  // namespace player
