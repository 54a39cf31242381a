#pragma once
// Reading a built graph back for tests: filter names and who is wired to whom.

#include "platform/media/GraphInterfaces.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <functional>
#include <ostream>

// Readable failure messages for Qt strings in gtest.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(", ").toStdString() << ']';
}

namespace testgraph {

using namespace platform::media;

inline QString FilterName(IBaseFilter* filter) {
    FILTER_INFO info;
    return filter != nullptr && SUCCEEDED(filter->QueryFilterInfo(&info)) ? info.achName
                                                                          : QString();
}

inline QStringList FilterNames(IGraphBuilder* graph) {
    QStringList names;
    FilterList filters;
    if (graph != nullptr && SUCCEEDED(graph->EnumFilters(&filters))) {
        for (const auto& filter : filters) {
            names << FilterName(filter.Get());
        }
    }
    names.sort();
    return names;
}

// "from pin -> to filter" for every connected output pin in the graph, sorted.
inline QStringList Links(IGraphBuilder* graph) {
    QStringList links;
    FilterList filters;
    if (graph == nullptr || FAILED(graph->EnumFilters(&filters))) {
        return links;
    }
    for (const auto& filter : filters) {
        PinList pins;
        filter->EnumPins(&pins);
        for (const auto& pin : pins) {
            PIN_INFO info;
            IPin* peer = nullptr;
            if (FAILED(pin->QueryPinInfo(&info)) || info.dir != PINDIR_OUTPUT ||
                pin->ConnectedTo(&peer) != S_OK) {
                continue;
            }
            const auto held = ComPtr<IPin>::Attach(peer);
            PIN_INFO peerInfo;
            held->QueryPinInfo(&peerInfo);
            links << FilterName(filter.Get()) + ":" + info.achName + " -> " +
                         FilterName(peerInfo.pFilter.Get());
        }
    }
    links.sort();
    return links;
}

// Runs the event loop until done() holds or timeoutMs passes; the final answer of done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return done();
        }
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

}  // namespace testgraph
