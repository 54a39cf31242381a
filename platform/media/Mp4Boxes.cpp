#include "platform/media/Mp4Boxes.h"

#include <algorithm>
#include <numeric>

namespace platform::media {

namespace {

constexpr uint64_t kSmallHeader = 8;
constexpr uint64_t kLargeHeader = 16;
constexpr int kAvcLengthByte = 4;          // lengthSizeMinusOne in an avcC record
constexpr int kHevcLengthByte = 21;        // lengthSizeMinusOne in an hvcC record
constexpr size_t kVisualEntryHeader = 78;  // sample entry fields before a visual entry's boxes

void PutBe32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out->push_back(static_cast<uint8_t>(value >> shift));
    }
}

void PutBe64(std::vector<uint8_t>* out, uint64_t value) {
    PutBe32(out, static_cast<uint32_t>(value >> 32));
    PutBe32(out, static_cast<uint32_t>(value));
}

void SetBe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

void SetBe64(uint8_t* at, uint64_t value) {
    SetBe32(at, static_cast<uint32_t>(value >> 32));
    SetBe32(at + 4, static_cast<uint32_t>(value));
}

// Starts a box; FinishBox writes its size once the body is complete.
size_t BeginBox(std::vector<uint8_t>* out, uint32_t type) {
    const size_t start = out->size();
    PutBe32(out, 0);
    PutBe32(out, type);
    return start;
}

void FinishBox(std::vector<uint8_t>* out, size_t start) {
    SetBe32(out->data() + start, static_cast<uint32_t>(out->size() - start));
}

// A full box's body after version and flags, checked for count entries of entrySize bytes.
std::optional<ByteSpan> Entries(const Box& box, size_t headBytes, size_t entrySize,
                                uint32_t* count) {
    if (box.body.size() < 4 + headBytes + 4) {
        return std::nullopt;
    }
    *count = ReadBe32(box.body.data() + 4 + headBytes);
    const ByteSpan rest = box.body.subspan(8 + headBytes);
    if (entrySize != 0 && *count > rest.size() / entrySize) {
        return std::nullopt;
    }
    return rest;
}

bool ParseSampleTable(ByteSpan stbl, TrackTable* track, std::string* why) {
    uint32_t count = 0;
    const auto stsd = FindChild(stbl, FourCc("stsd"));
    if (!stsd || !Entries(*stsd, 0, 0, &count) || count == 0) {
        *why = "a track has no sample description";
        return false;
    }
    const std::vector<Box> entries = ChildBoxes(stsd->body.subspan(8));
    if (entries.empty()) {
        *why = "a track has no sample description";
        return false;
    }
    track->codec = entries.front().type;
    if (track->handler == FourCc("vide") && entries.front().body.size() > kVisualEntryHeader) {
        const ByteSpan inner = entries.front().body.subspan(kVisualEntryHeader);
        if (const auto avcc = FindChild(inner, FourCc("avcC"));
            avcc && avcc->body.size() > kAvcLengthByte) {
            track->nalLengthSize = (avcc->body[kAvcLengthByte] & 3) + 1;
        } else if (const auto hvcc = FindChild(inner, FourCc("hvcC"));
                   hvcc && hvcc->body.size() > kHevcLengthByte) {
            track->nalLengthSize = (hvcc->body[kHevcLengthByte] & 3) + 1;
        }
    }
    const auto stts = FindChild(stbl, FourCc("stts"));
    const auto stsz = FindChild(stbl, FourCc("stsz"));
    const auto stsc = FindChild(stbl, FourCc("stsc"));
    auto stco = FindChild(stbl, FourCc("stco"));
    const bool wide = !stco;
    if (wide) {
        stco = FindChild(stbl, FourCc("co64"));
    }
    if (!stts || !stsz || !stsc || !stco) {
        *why = "a track's index is incomplete";
        return false;
    }
    track->hasSyncTable = FindChild(stbl, FourCc("stss")).has_value();
    track->reorders = FindChild(stbl, FourCc("ctts")).has_value();
    std::optional<ByteSpan> rest = Entries(*stts, 0, 8, &count);
    if (!rest) {
        *why = "a damaged time table";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        track->durations.emplace_back(ReadBe32(rest->data() + 8 * i),
                                      ReadBe32(rest->data() + 8 * i + 4));
    }
    if (stsz->body.size() < 12) {
        *why = "a damaged size table";
        return false;
    }
    track->constantSize = ReadBe32(stsz->body.data() + 4);
    rest = Entries(*stsz, 4, track->constantSize == 0 ? 4 : 0, &count);
    if (!rest) {
        *why = "a damaged size table";
        return false;
    }
    if (track->constantSize == 0) {
        track->sizes.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            track->sizes.push_back(ReadBe32(rest->data() + 4 * i));
        }
    }
    uint32_t chunkCount = 0;
    const std::optional<ByteSpan> offsets = Entries(*stco, 0, wide ? 8 : 4, &chunkCount);
    uint32_t runCount = 0;
    const std::optional<ByteSpan> runs = Entries(*stsc, 0, 12, &runCount);
    if (!offsets || !runs || runCount == 0) {
        *why = "a damaged chunk table";
        return false;
    }
    track->chunks.resize(chunkCount);
    for (size_t i = 0; i < chunkCount; ++i) {
        track->chunks[i].offset =
            wide ? ReadBe64(offsets->data() + 8 * i) : ReadBe32(offsets->data() + 4 * i);
    }
    for (size_t r = 0; r < runCount; ++r) {
        const uint32_t first = ReadBe32(runs->data() + 12 * r);
        const uint32_t next =
            r + 1 < runCount ? ReadBe32(runs->data() + 12 * (r + 1)) : chunkCount + 1;
        const uint32_t samples = ReadBe32(runs->data() + 12 * r + 4);
        for (uint32_t c = std::max(first, 1U); c < next && c <= chunkCount; ++c) {
            track->chunks[c - 1].samples = samples;
        }
    }
    return true;
}

struct TrackOutput {
    const TrackTable* table;
    const RecoveredTrack* track;
    uint64_t movieDuration;
    std::vector<DurationRun> offsets;  // composition offsets as runs, when the track reorders
    int64_t mediaTime = 0;             // where its edit starts then
};

// Each picture's composition offset: the decoding times taken in display order, shifted so that
// none is negative and the first picture shows at the edit's start (*mediaTime on return, at
// least the reference's own).
std::vector<DurationRun> CompositionOffsets(const RecoveredTrack& track,
                                            const std::vector<DurationRun>& durations,
                                            int64_t* mediaTime) {
    const std::vector<RecoveredSample>& samples = track.samples;
    std::vector<int64_t> decode;
    decode.reserve(samples.size());
    int64_t at = 0;
    for (const auto& [count, delta] : durations) {
        for (uint32_t i = 0; i < count && decode.size() < samples.size(); ++i) {
            decode.push_back(at);
            at += delta;
        }
    }
    decode.resize(samples.size(), at);
    std::vector<size_t> display(samples.size());
    std::iota(display.begin(), display.end(), size_t{0});
    std::stable_sort(display.begin(), display.end(),
                     [&](size_t a, size_t b) { return samples[a].order < samples[b].order; });
    int64_t shift = std::max<int64_t>(*mediaTime, 0);
    for (size_t j = 0; j < display.size(); ++j) {
        shift = std::max(shift, decode[display[j]] - decode[j]);
    }
    std::vector<uint32_t> offsets(samples.size());
    for (size_t j = 0; j < display.size(); ++j) {
        offsets[display[j]] = static_cast<uint32_t>(
            std::min<int64_t>(decode[j] - decode[display[j]] + shift, UINT32_MAX));
    }
    *mediaTime = shift;
    std::vector<DurationRun> runs;
    for (const uint32_t offset : offsets) {
        if (runs.empty() || runs.back().second != offset) {
            runs.emplace_back(0, offset);
        }
        ++runs.back().first;
    }
    return runs;
}

// A full box of (count, value) runs: decoding durations or composition offsets.
void WriteRuns(std::vector<uint8_t>* out, uint32_t type, const std::vector<DurationRun>& runs) {
    const size_t box = BeginBox(out, type);
    PutBe32(out, 0);
    PutBe32(out, static_cast<uint32_t>(runs.size()));
    for (const auto& [count, value] : runs) {
        PutBe32(out, count);
        PutBe32(out, value);
    }
    FinishBox(out, box);
}

void WriteSampleTables(std::vector<uint8_t>* out, const TrackOutput& t) {
    const RecoveredTrack& track = *t.track;
    uint64_t ignored = 0;
    WriteRuns(out, FourCc("stts"), DurationRuns(*t.table, track.units, &ignored));
    if (t.table->reorders) {
        WriteRuns(out, FourCc("ctts"), t.offsets);
    }
    if (t.table->hasSyncTable) {
        const size_t sync = BeginBox(out, FourCc("stss"));
        PutBe32(out, 0);
        const size_t countAt = out->size();
        PutBe32(out, 0);
        uint32_t keys = 0;
        for (size_t i = 0; i < track.samples.size(); ++i) {
            if (track.samples[i].key) {
                PutBe32(out, static_cast<uint32_t>(i + 1));
                ++keys;
            }
        }
        SetBe32(out->data() + countAt, keys);
        FinishBox(out, sync);
    }
    size_t box = BeginBox(out, FourCc("stsz"));
    PutBe32(out, 0);
    PutBe32(out, t.table->constantSize);
    PutBe32(out, static_cast<uint32_t>(track.units));
    if (t.table->constantSize == 0) {
        for (const RecoveredSample& sample : track.samples) {
            PutBe32(out, sample.size);
        }
    }
    FinishBox(out, box);
    box = BeginBox(out, FourCc("stsc"));
    PutBe32(out, 0);
    const size_t countAt = out->size();
    PutBe32(out, 0);
    uint32_t entries = 0;
    for (size_t i = 0; i < track.chunks.size(); ++i) {
        if (i == 0 || track.chunks[i].units != track.chunks[i - 1].units) {
            PutBe32(out, static_cast<uint32_t>(i + 1));
            PutBe32(out, track.chunks[i].units);
            PutBe32(out, 1);
            ++entries;
        }
    }
    SetBe32(out->data() + countAt, entries);
    FinishBox(out, box);
    const bool wide = std::any_of(track.chunks.begin(), track.chunks.end(),
                                  [](const RecoveredChunk& c) { return c.offset > UINT32_MAX; });
    box = BeginBox(out, wide ? FourCc("co64") : FourCc("stco"));
    PutBe32(out, 0);
    PutBe32(out, static_cast<uint32_t>(track.chunks.size()));
    for (const RecoveredChunk& chunk : track.chunks) {
        if (wide) {
            PutBe64(out, chunk.offset);
        } else {
            PutBe32(out, static_cast<uint32_t>(chunk.offset));
        }
    }
    FinishBox(out, box);
}

// The duration field of a full box whose version selects 32- or 64-bit times.
void PatchDuration(std::vector<uint8_t>* out, size_t bodyStart, size_t offset32, size_t offset64,
                   uint64_t duration) {
    const uint8_t version = (*out)[bodyStart];
    if (version == 1 && bodyStart + offset64 + 8 <= out->size()) {
        SetBe64(out->data() + bodyStart + offset64, duration);
    } else if (version == 0 && bodyStart + offset32 + 4 <= out->size()) {
        SetBe32(out->data() + bodyStart + offset32,
                static_cast<uint32_t>(std::min<uint64_t>(duration, UINT32_MAX)));
    }
}

// Keeps the reference's edits but ends the last one where the recovered track ends.
void WriteEditList(std::vector<uint8_t>* out, const Box& elst, const TrackOutput& t,
                   uint32_t movieScale) {
    const size_t start = BeginBox(out, FourCc("elst"));
    uint32_t count = 0;
    const uint8_t version = elst.body.empty() ? 0 : elst.body[0];
    const size_t entrySize = version == 1 ? 20 : 12;
    const std::optional<ByteSpan> rest = Entries(elst, 0, entrySize, &count);
    out->push_back(version);
    out->insert(out->end(), {0, 0, 0});
    PutBe32(out, rest ? count : 0);
    uint64_t used = 0;
    for (uint32_t i = 0; rest && i < count; ++i) {
        const uint8_t* entry = rest->data() + entrySize * i;
        uint64_t duration = version == 1 ? ReadBe64(entry) : ReadBe32(entry);
        int64_t mediaTime = version == 1 ? static_cast<int64_t>(ReadBe64(entry + 8))
                                         : static_cast<int32_t>(ReadBe32(entry + 4));
        if (mediaTime >= 0 && t.table->reorders) {
            mediaTime = t.mediaTime;
        }
        if (i + 1 == count) {
            // Media skipped at the start (sound's priming) is not shown; pictures that wait for
            // their reordering all are.
            const uint64_t skipped =
                mediaTime > 0 && t.table->timescale > 0 && !t.table->reorders
                    ? static_cast<uint64_t>(mediaTime) * movieScale / t.table->timescale
                    : 0;
            const uint64_t end = t.movieDuration > skipped ? t.movieDuration - skipped : 0;
            duration = end > used ? end - used : 0;
        }
        used += duration;
        if (version == 1) {
            PutBe64(out, duration);
            PutBe64(out, static_cast<uint64_t>(mediaTime));
        } else {
            PutBe32(out, static_cast<uint32_t>(std::min<uint64_t>(duration, UINT32_MAX)));
            PutBe32(out, static_cast<uint32_t>(mediaTime));
        }
        out->insert(out->end(), entry + entrySize - 4, entry + entrySize);
    }
    FinishBox(out, start);
}

bool IsContainer(uint32_t type) {
    return type == FourCc("trak") || type == FourCc("mdia") || type == FourCc("minf") ||
           type == FourCc("edts");
}

bool IsReplacedTable(uint32_t type) {
    static const uint32_t kReplaced[] = {
        FourCc("stts"), FourCc("ctts"), FourCc("stss"), FourCc("stsz"), FourCc("stz2"),
        FourCc("stsc"), FourCc("stco"), FourCc("co64"), FourCc("sdtp"), FourCc("sgpd"),
        FourCc("sbgp"), FourCc("stps"), FourCc("cslg")};
    return std::find(std::begin(kReplaced), std::end(kReplaced), type) != std::end(kReplaced);
}

void CopyBox(std::vector<uint8_t>* out, const Box& box, const TrackOutput* t, uint32_t movieScale);

void CopyChildren(std::vector<uint8_t>* out, ByteSpan body, const TrackOutput* t,
                  uint32_t movieScale) {
    for (const Box& child : ChildBoxes(body)) {
        CopyBox(out, child, t, movieScale);
    }
}

void CopyBox(std::vector<uint8_t>* out, const Box& box, const TrackOutput* t, uint32_t movieScale) {
    if (t != nullptr && box.type == FourCc("elst")) {
        WriteEditList(out, box, *t, movieScale);
        return;
    }
    const size_t start = BeginBox(out, box.type);
    if (box.type == FourCc("stbl") && t != nullptr) {
        for (const Box& child : ChildBoxes(box.body)) {
            if (!IsReplacedTable(child.type)) {
                CopyBox(out, child, t, movieScale);
            }
        }
        WriteSampleTables(out, *t);
    } else if (IsContainer(box.type)) {
        CopyChildren(out, box.body, t, movieScale);
    } else {
        const size_t bodyStart = out->size();
        out->insert(out->end(), box.body.begin(), box.body.end());
        if (t != nullptr && box.type == FourCc("tkhd")) {
            PatchDuration(out, bodyStart, 20, 28, t->movieDuration);
        } else if (t != nullptr && box.type == FourCc("mdhd")) {
            PatchDuration(out, bodyStart, 16, 24, t->track->duration);
        }
    }
    FinishBox(out, start);
}

}  // namespace

uint32_t ReadBe32(const uint8_t* data) {
    return (static_cast<uint32_t>(data[0]) << 24) | (static_cast<uint32_t>(data[1]) << 16) |
           (static_cast<uint32_t>(data[2]) << 8) | data[3];
}

uint64_t ReadBe64(const uint8_t* data) {
    return (static_cast<uint64_t>(ReadBe32(data)) << 32) | ReadBe32(data + 4);
}

namespace {

struct BoxHeader {
    uint32_t type;
    uint64_t size;  // as written: 0 means "to the end", and it may pass the end
    uint64_t header;
};

// The header of the box at `at`; none when the header itself does not fit.
std::optional<BoxHeader> ReadBoxHeader(ByteSpan data, uint64_t at) {
    if (data.size() - at < kSmallHeader) {
        return std::nullopt;
    }
    BoxHeader box{ReadBe32(data.data() + at + 4), ReadBe32(data.data() + at), kSmallHeader};
    if (box.size == 1) {
        if (data.size() - at < kLargeHeader) {
            return std::nullopt;
        }
        box.size = ReadBe64(data.data() + at + 8);
        box.header = kLargeHeader;
    }
    return box;
}

}  // namespace

std::vector<Box> ChildBoxes(ByteSpan data) {
    std::vector<Box> boxes;
    uint64_t at = 0;
    while (const auto box = ReadBoxHeader(data, at)) {
        const uint64_t size = box->size == 0 ? data.size() - at : box->size;
        if (size < box->header || size > data.size() - at) {
            break;
        }
        boxes.push_back(
            Box{box->type, at, size, data.subspan(at + box->header, size - box->header)});
        at += size;
    }
    return boxes;
}

std::optional<Box> FindChild(ByteSpan data, uint32_t type) {
    for (const Box& box : ChildBoxes(data)) {
        if (box.type == type) {
            return box;
        }
    }
    return std::nullopt;
}

FileLayout ReadFileLayout(ByteSpan file) {
    FileLayout layout;
    uint64_t at = 0;
    while (const auto box = ReadBoxHeader(file, at)) {
        const auto [type, size, header] = *box;
        const uint64_t left = file.size() - at;
        if (type == FourCc("mdat") && layout.mdatHeaderSize == 0) {
            layout.mdatHeader = at;
            layout.mdatStart = at + header;
            layout.mdatHeaderSize = static_cast<int>(header);
            // Size 0, a size past the end or one too small: the data runs to the end.
            const bool whole = size >= header && size <= left;
            layout.mdatEnd = whole ? at + size : file.size();
            if (!whole) {
                break;
            }
        } else if (size < header || size > left) {
            break;
        } else if (type == FourCc("moov")) {
            layout.moov = Box{type, at, size, file.subspan(at + header, size - header)};
        }
        at += size;
    }
    return layout;
}

namespace {

// Where the track's media starts in the movie: empty edits first, then the first of media.
void ReadEdits(ByteSpan trak, TrackTable* track) {
    const auto edts = FindChild(trak, FourCc("edts"));
    const auto elst = edts ? FindChild(edts->body, FourCc("elst")) : std::nullopt;
    uint32_t count = 0;
    const bool wide = elst && !elst->body.empty() && elst->body[0] == 1;
    const size_t entrySize = wide ? 20 : 12;
    const std::optional<ByteSpan> rest = elst ? Entries(*elst, 0, entrySize, &count) : std::nullopt;
    for (size_t i = 0; rest && i < count; ++i) {
        const uint8_t* entry = rest->data() + entrySize * i;
        const int64_t mediaTime = wide ? static_cast<int64_t>(ReadBe64(entry + 8))
                                       : static_cast<int32_t>(ReadBe32(entry + 4));
        if (mediaTime >= 0) {
            track->editMediaTime = mediaTime;
            return;
        }
        track->editDelay += wide ? ReadBe64(entry) : ReadBe32(entry);
    }
}

}  // namespace

uint64_t TrackTable::SampleCount() const {
    return std::accumulate(durations.begin(), durations.end(), uint64_t{0},
                           [](uint64_t sum, const auto& run) { return sum + run.first; });
}

uint32_t TrackTable::SteadyDelta() const {
    const auto most = std::max_element(
        durations.begin(), durations.end(),
        [](const DurationRun& a, const DurationRun& b) { return a.first < b.first; });
    return most != durations.end() ? most->second : 0;
}

std::vector<DurationRun> DurationRuns(const TrackTable& table, uint64_t count, uint64_t* duration) {
    const uint64_t total = table.SampleCount();
    uint64_t own = count <= total ? count : total - std::min<uint64_t>(total, 1);
    std::vector<DurationRun> runs;
    *duration = 0;
    const auto add = [&](uint64_t n, uint32_t delta) {
        while (n > 0) {
            const auto take = static_cast<uint32_t>(std::min<uint64_t>(n, UINT32_MAX));
            if (!runs.empty() && runs.back().second == delta &&
                runs.back().first <= UINT32_MAX - take) {
                runs.back().first += take;
            } else {
                runs.emplace_back(take, delta);
            }
            *duration += static_cast<uint64_t>(take) * delta;
            n -= take;
        }
    };
    for (const auto& [runCount, delta] : table.durations) {
        const uint64_t take = std::min<uint64_t>(runCount, own);
        add(take, delta);
        own -= take;
    }
    if (count > total) {
        add(count - (total - std::min<uint64_t>(total, 1)), table.SteadyDelta());
    }
    return runs;
}

std::optional<MovieIndex> ParseMovieIndex(const Box& moov, std::string* why) {
    MovieIndex index;
    const auto mvhd = FindChild(moov.body, FourCc("mvhd"));
    if (!mvhd || mvhd->body.size() < 24) {
        *why = "the reference has no movie header";
        return std::nullopt;
    }
    index.timescale = ReadBe32(mvhd->body.data() + (mvhd->body[0] == 1 ? 20 : 12));
    for (const Box& trak : ChildBoxes(moov.body)) {
        if (trak.type != FourCc("trak")) {
            continue;
        }
        TrackTable track;
        const auto mdia = FindChild(trak.body, FourCc("mdia"));
        const auto mdhd = mdia ? FindChild(mdia->body, FourCc("mdhd")) : std::nullopt;
        const auto hdlr = mdia ? FindChild(mdia->body, FourCc("hdlr")) : std::nullopt;
        const auto minf = mdia ? FindChild(mdia->body, FourCc("minf")) : std::nullopt;
        const auto stbl = minf ? FindChild(minf->body, FourCc("stbl")) : std::nullopt;
        if (!mdhd || mdhd->body.size() < 24 || !hdlr || hdlr->body.size() < 12 || !stbl) {
            *why = "a track of the reference is incomplete";
            return std::nullopt;
        }
        track.timescale = ReadBe32(mdhd->body.data() + (mdhd->body[0] == 1 ? 20 : 12));
        track.handler = ReadBe32(hdlr->body.data() + 8);
        ReadEdits(trak.body, &track);
        if (track.timescale == 0 || !ParseSampleTable(stbl->body, &track, why)) {
            if (why->empty()) {
                *why = "a track of the reference has no time scale";
            }
            return std::nullopt;
        }
        index.tracks.push_back(std::move(track));
    }
    if (index.timescale == 0 || index.tracks.empty()) {
        *why = "the reference has no tracks";
        return std::nullopt;
    }
    return index;
}

std::vector<uint8_t> BuildMovieIndex(const Box& referenceMoov, const MovieIndex& reference,
                                     const std::vector<RecoveredTrack>& tracks) {
    std::vector<TrackOutput> outputs;
    uint64_t movieDuration = 0;
    for (size_t i = 0; i < reference.tracks.size() && i < tracks.size(); ++i) {
        const TrackTable& table = reference.tracks[i];
        const uint64_t duration = tracks[i].duration * reference.timescale / table.timescale;
        outputs.push_back(TrackOutput{&table, &tracks[i], duration, {}, table.editMediaTime});
        if (table.reorders) {
            uint64_t ignored = 0;
            outputs.back().offsets =
                CompositionOffsets(tracks[i], DurationRuns(table, tracks[i].units, &ignored),
                                   &outputs.back().mediaTime);
        }
        movieDuration = std::max(movieDuration, duration);
    }
    std::vector<uint8_t> out;
    const size_t start = BeginBox(&out, FourCc("moov"));
    size_t trackIndex = 0;
    for (const Box& child : ChildBoxes(referenceMoov.body)) {
        if (child.type == FourCc("trak")) {
            CopyBox(&out, child, trackIndex < outputs.size() ? &outputs[trackIndex] : nullptr,
                    reference.timescale);
            ++trackIndex;
        } else {
            const size_t box = out.size();
            CopyBox(&out, child, nullptr, reference.timescale);
            if (child.type == FourCc("mvhd")) {
                PatchDuration(&out, box + 8, 16, 24, movieDuration);
            }
        }
    }
    FinishBox(&out, start);
    return out;
}

}  // namespace platform::media
