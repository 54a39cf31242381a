#pragma once
// The map page's tiles through the player: the page asks "roadplayer-tile:live?url=<tile>"
// while online, which fetches the tile from the web and keeps it, and
// "roadplayer-tile:kept?url=<tile>", which answers from what was kept. Only http and https
// tiles are fetched. Part of the map engine module; GUI thread only.

#include "player/telemetry/TileKeeper.h"

#include <QWebEngineUrlSchemeHandler>

class QNetworkAccessManager;
class QWebEngineProfile;

namespace player {

class KeptTileScheme : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

public:
    static constexpr char kScheme[] = "roadplayer-tile";

    // Registers the scheme with the engine; once, before the engine starts.
    static void Register();
    // The handler for the profile's pages (made once, owned by the profile), keeping tiles in
    // the user's cache. What a page reads as window.roadPlayerTiles: the scheme's prefix.
    static void InstallFor(QWebEngineProfile* profile);
    static QString Prefix();

    KeptTileScheme(QString folder, QObject* parent);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    void Fetch(QWebEngineUrlRequestJob* job, const QUrl& tile);

    TileKeeper m_keeper;
    QNetworkAccessManager* m_network;
};

}  // namespace player
