#include "platform/media/RecordingRecovery.h"

#include "platform/media/ChunkPlan.h"
#include "platform/media/FormatReader.h"
#include "platform/media/Log.h"
#include "platform/media/Mp4Boxes.h"
#include "platform/media/SampleValidator.h"
#include "platform/system/RegularFile.h"

#include <algorithm>
#include <cstring>

namespace platform::media {

namespace {

constexpr int kMaxReferenceTries = 3;
constexpr int kIoBufferSize = 64 * 1024;
constexpr uint64_t kMaxIndexSize = 256ULL << 20;
// What a check may need from a sample's first byte without its verdict saying so: a whole
// sound frame's bytes (8 channels at most) and the headers of what follows it.
constexpr size_t kReadAhead = size_t{64} << 10;
// How far a check of a valid sample may look past its end: the next sample's first headers.
constexpr size_t kLookPast = size_t{8} << 10;

QString KindOf(AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return QStringLiteral("video");
        case AVMEDIA_TYPE_AUDIO:
            return QStringLiteral("audio");
        default:
            return QStringLiteral("telemetry");
    }
}

// The damaged file read forward through one buffer in large reads: touching a mapping page by
// page costs a fault per page, several times the copy on some machines (virtual ones most).
class ForwardReader {
public:
    explicit ForwardReader(const QString& path) : m_file(path) {
        if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            m_size = static_cast<uint64_t>(std::max<qint64>(0, m_file.size()));
        }
    }

    // The bytes from position on: at least `ahead` of them, fewer only where the file ends;
    // empty when the file cannot be read.
    ByteSpan From(uint64_t position, size_t ahead) {
        const uint64_t want = std::min<uint64_t>(position + ahead, m_size);
        if (position < m_start || want > m_start + m_filled) {
            const auto room = static_cast<size_t>(
                std::min<uint64_t>(std::max(ahead, kWindowBytes), m_size - position));
            if (m_buffer.size() < room) {
                m_buffer.resize(room);
            }
            m_start = position;
            m_filled = 0;
            if (!m_file.seek(static_cast<qint64>(position)) ||
                m_file.read(reinterpret_cast<char*>(m_buffer.data()), static_cast<qint64>(room)) !=
                    static_cast<qint64>(room)) {
                return {};
            }
            m_filled = room;
        }
        return ByteSpan(m_buffer).subspan(static_cast<size_t>(position - m_start),
                                          static_cast<size_t>(m_start + m_filled - position));
    }

private:
    static constexpr size_t kWindowBytes = size_t{256} << 10;
    QFile m_file;
    uint64_t m_size = 0;
    std::vector<uint8_t> m_buffer;
    uint64_t m_start = 0;
    size_t m_filled = 0;
};

struct Walk {
    std::vector<RecoveredTrack> tracks;
    uint64_t end = 0;
};

// One sample's check over the bytes read ahead; a verdict those bytes may not settle (a valid
// sample too near their end for the look past it, any other verdict short of the file's end)
// is given over the whole file.
SampleCheck CheckSample(SampleValidator& validator, const SampleValidator* following,
                        ForwardReader& reader, ByteSpan file, uint64_t position) {
    const uint64_t left = file.size() - position;
    size_t ahead = kReadAhead;
    for (;;) {
        const ByteSpan bytes = reader.From(position, ahead);
        if (bytes.size() == left) {
            return validator.Check(bytes, following);
        }
        if (bytes.size() < std::min<uint64_t>(ahead, left)) {
            break;  // unreadable: the mapping decides
        }
        const SampleCheck check = validator.Check(bytes, following);
        if (check.verdict != SampleVerdict::Valid) {
            break;
        }
        if (check.size + kLookPast <= bytes.size()) {
            return check;
        }
        ahead = std::max<size_t>(2 * ahead, 2 * (static_cast<size_t>(check.size) + kLookPast));
    }
    return validator.Check(file.subspan(position), following);
}

// Walks the damaged data in the reference's chunk plan, keeping each sample that validates and
// stopping at the first that does not.
class MediaWalk {
public:
    MediaWalk(ByteSpan file, ForwardReader& reader, const FileLayout& layout,
              const MovieIndex& index, std::vector<std::unique_ptr<SampleValidator>>& validators)
        : m_file(file),
          m_reader(reader),
          m_end(layout.mdatEnd),
          m_index(index),
          m_validators(validators),
          m_plan(index),
          m_position(layout.mdatStart) {
        m_walk.tracks.resize(index.tracks.size());
    }

    Walk Run() {
        for (size_t c = 0; m_stop == SampleVerdict::Valid; ++c) {
            if (c == m_plan.ForkAt()) {
                m_plan.Choose(ContinuationHolds());
            }
            const std::optional<PlannedChunk> chunk = m_plan.At(c);
            if (!chunk) {
                break;
            }
            if (Weak(chunk->track)) {
                WalkRawChunk(*chunk);
            } else {
                WalkChunk(c, *chunk, m_plan.At(c + 1));
            }
        }
        // Raw sound proves nothing by itself: when what follows it is not a sample, its last
        // chunk may be anything and is dropped.
        if (m_stop == SampleVerdict::Invalid && m_lastTrack != SIZE_MAX && Weak(m_lastTrack)) {
            RecoveredTrack& track = m_walk.tracks[m_lastTrack];
            track.units -= track.chunks.back().units;
            track.chunks.pop_back();
            track.samples.pop_back();
        }
        for (const RecoveredTrack& track : m_walk.tracks) {
            for (const RecoveredSample& sample : track.samples) {
                m_walk.end = std::max(m_walk.end, sample.offset + sample.size);
            }
        }
        return std::move(m_walk);
    }

private:
    bool Weak(size_t track) const {
        return m_validators[track]->IsWeak() && m_index.tracks[track].constantSize != 0;
    }

    SampleCheck Check(size_t track, const SampleValidator* following) {
        return CheckSample(*m_validators[track], following, m_reader, m_file, m_position);
    }

    bool Holds(size_t track) { return Check(track, nullptr).verdict == SampleVerdict::Valid; }

    // Where the reference's last chunks and their continuation part ways: whether the data holds
    // the continuation's track's sample (a weak track's valid verdict settles nothing).
    bool ContinuationHolds() {
        size_t first = m_plan.ContinuationTrack();
        size_t second = m_plan.ReferenceTrack();
        if (m_validators[first]->IsWeak() && !m_validators[second]->IsWeak()) {
            std::swap(first, second);
        }
        return (Holds(first) ? first : second) == m_plan.ContinuationTrack();
    }

    // Keeps a valid sample, in a new chunk of its track or at the end of its last one.
    void Keep(size_t track, const SampleCheck& check, bool newChunk) {
        m_validators[track]->Accept();
        RecoveredTrack& out = m_walk.tracks[track];
        if (newChunk) {
            out.chunks.push_back(RecoveredChunk{m_position, 0});
        }
        out.samples.push_back(RecoveredSample{m_position, check.size, 1, check.key, check.order});
        ++out.chunks.back().units;
        ++out.units;
        m_position += check.size;
        m_lastTrack = track;
    }

    void WalkRawChunk(const PlannedChunk& chunk) {
        const uint32_t size = m_index.tracks[chunk.track].constantSize;
        const auto units =
            static_cast<uint32_t>(std::min<uint64_t>(chunk.samples, (m_end - m_position) / size));
        if (units > 0) {
            RecoveredTrack& track = m_walk.tracks[chunk.track];
            track.samples.push_back(RecoveredSample{m_position, units * size, units, true});
            track.chunks.push_back(RecoveredChunk{m_position, units});
            track.units += units;
            m_position += static_cast<uint64_t>(units) * size;
            m_lastTrack = chunk.track;
        }
        m_stop = units < chunk.samples ? SampleVerdict::Truncated : SampleVerdict::Valid;
    }

    // Past the reference's end the chunks' lengths are a guess: a chunk may start late (the
    // track before it goes on) or end early (the next chunk's track takes over).
    void WalkChunk(size_t c, const PlannedChunk& chunk, const std::optional<PlannedChunk>& next) {
        const bool loose = m_plan.Loose(c);
        const size_t before = m_lastTrack;
        const bool lateStart =
            loose && before != SIZE_MAX && before != chunk.track && !Weak(before);
        const bool earlyEnd = loose && next && next->track != chunk.track && !Weak(next->track);
        const SampleValidator* following = next ? m_validators[next->track].get() : nullptr;
        uint32_t late = 0;
        for (uint32_t i = 0; i < chunk.samples;) {
            const SampleCheck check =
                Check(chunk.track, i + 1 == chunk.samples ? following : nullptr);
            if (check.verdict == SampleVerdict::Valid) {
                Keep(chunk.track, check, i == 0);
                ++i;
                continue;
            }
            if (i == 0 && lateStart && late < chunk.samples) {
                if (const SampleCheck more = Check(before, nullptr);
                    more.verdict == SampleVerdict::Valid) {
                    Keep(before, more, false);
                    ++late;
                    continue;
                }
            }
            m_stop = i > 0 && earlyEnd && Holds(next->track) ? SampleVerdict::Valid : check.verdict;
            return;
        }
    }

    ByteSpan m_file;
    ForwardReader& m_reader;
    uint64_t m_end;
    const MovieIndex& m_index;
    std::vector<std::unique_ptr<SampleValidator>>& m_validators;
    ChunkPlan m_plan;
    Walk m_walk;
    uint64_t m_position;
    size_t m_lastTrack = SIZE_MAX;  // of the last sample kept
    SampleVerdict m_stop = SampleVerdict::Valid;
};

// Maps a whole file read-only; the card is never written.
class MappedFile {
public:
    explicit MappedFile(const QString& path) {
        if (platform::OpenRegularFile(path, INT64_MAX, m_file) == platform::FileReadStatus::Ok &&
            m_file.size() > 0) {
            m_data = m_file.map(0, m_file.size());
        }
    }
    ByteSpan Bytes() const {
        return m_data != nullptr ? ByteSpan(m_data, static_cast<size_t>(m_file.size()))
                                 : ByteSpan();
    }

private:
    QFile m_file;
    uchar* m_data = nullptr;
};

// The reference's codec parameters as its index gives them; nothing is decoded.
FormatContextPtr OpenIndexOnly(const QString& path) {
    AVFormatContext* raw = nullptr;
    AvDictionary options;
    HRESULT error = S_OK;
    if (OpenCheckedInput(&raw, path, av_find_input_format("mov"), &options, &error) < 0) {
        return nullptr;
    }
    return FormatContextPtr(raw);
}

}  // namespace

bool RecoveredRecording::ReadAt(QFile* file, uint64_t offset, uint8_t* buffer, size_t size) const {
    if (offset + size > Size()) {
        return false;
    }
    if (offset < m_keptEnd) {
        const size_t fromFile = static_cast<size_t>(std::min<uint64_t>(size, m_keptEnd - offset));
        if (!file->seek(static_cast<qint64>(offset)) ||
            file->read(reinterpret_cast<char*>(buffer), static_cast<qint64>(fromFile)) !=
                static_cast<qint64>(fromFile)) {
            return false;
        }
        // The data box's header gets its true size.
        const uint64_t headerEnd = m_mdatHeader + m_mdatHeaderBytes.size();
        const uint64_t first = std::max(offset, m_mdatHeader);
        const uint64_t last = std::min(offset + fromFile, headerEnd);
        for (uint64_t at = first; at < last; ++at) {
            buffer[at - offset] = m_mdatHeaderBytes[at - m_mdatHeader];
        }
        offset += fromFile;
        buffer += fromFile;
        size -= fromFile;
    }
    if (size > 0) {
        std::memcpy(buffer, m_moov.data() + (offset - m_keptEnd), size);
    }
    return true;
}

bool LacksIndex(const QString& path) {
    const MappedFile file(path);
    const FileLayout layout = ReadFileLayout(file.Bytes());
    return layout.mdatHeaderSize != 0 && !layout.moov;
}

std::shared_ptr<const RecoveredRecording> RecoverRecording(const QString& damaged,
                                                           const QString& reference, QString* why) {
    const FormatContextPtr healthy = OpenIndexOnly(reference);
    const MappedFile referenceFile(reference);
    const FileLayout referenceLayout = ReadFileLayout(referenceFile.Bytes());
    if (!healthy || !referenceLayout.moov || referenceLayout.moov->size > kMaxIndexSize) {
        *why = QStringLiteral("the reference is no healthy recording");
        return nullptr;
    }
    std::string reason;
    const std::optional<MovieIndex> index = ParseMovieIndex(*referenceLayout.moov, &reason);
    if (!index || index->tracks.size() != healthy->nb_streams) {
        *why = QStringLiteral("the reference's index cannot be used: %1")
                   .arg(QString::fromStdString(reason));
        return nullptr;
    }
    std::vector<std::unique_ptr<SampleValidator>> validators;
    for (size_t i = 0; i < index->tracks.size(); ++i) {
        validators.push_back(MakeSampleValidator(index->tracks[i], healthy->streams[i]->codecpar));
        if (!validators.back()) {
            *why = QStringLiteral("the reference has a track whose samples cannot be checked");
            return nullptr;
        }
    }
    const MappedFile damagedFile(damaged);
    const ByteSpan bytes = damagedFile.Bytes();
    FileLayout layout = ReadFileLayout(bytes);
    if (layout.mdatHeaderSize == 0) {
        *why = QStringLiteral("the file holds no media data");
        return nullptr;
    }
    // Without an index the data box's size is not to be trusted either: the walk decides.
    layout.mdatEnd = bytes.size();
    ForwardReader reader(damaged);
    Walk walk = MediaWalk(bytes, reader, layout, *index, validators).Run();
    bool anyVideo = false;
    auto recording = std::make_shared<RecoveredRecording>();
    for (size_t i = 0; i < walk.tracks.size(); ++i) {
        RecoveredTrack& track = walk.tracks[i];
        const TrackTable& table = index->tracks[i];
        DurationRuns(table, track.units, &track.duration);
        const AVCodecParameters* codec = healthy->streams[i]->codecpar;
        anyVideo = anyVideo || (codec->codec_type == AVMEDIA_TYPE_VIDEO && !track.samples.empty());
        recording->m_tracks.push_back(RecoveredTrackSummary{
            KindOf(codec->codec_type), QString::fromLatin1(avcodec_get_name(codec->codec_id)),
            track.samples.size(), track.duration * 1000 / table.timescale});
    }
    if (!anyVideo) {
        *why = QStringLiteral("no picture of the file matches the reference");
        return nullptr;
    }
    recording->m_path = damaged;
    recording->m_reference = reference;
    recording->m_keptEnd = walk.end;
    recording->m_mdatHeader = layout.mdatHeader;
    const uint64_t mdatSize = walk.end - layout.mdatHeader;
    std::vector<uint8_t>& header = recording->m_mdatHeaderBytes;
    header.assign(bytes.begin() + static_cast<ptrdiff_t>(layout.mdatHeader),
                  bytes.begin() + static_cast<ptrdiff_t>(layout.mdatStart));
    if (layout.mdatHeaderSize == 16) {
        for (int i = 0; i < 8; ++i) {
            header[8 + i] = static_cast<uint8_t>(mdatSize >> (56 - 8 * i));
        }
    } else if (mdatSize <= UINT32_MAX) {
        for (int i = 0; i < 4; ++i) {
            header[i] = static_cast<uint8_t>(mdatSize >> (24 - 8 * i));
        }
    } else {
        *why = QStringLiteral("the media data is too large for its box");
        return nullptr;
    }
    recording->m_moov = BuildMovieIndex(*referenceLayout.moov, *index, walk.tracks);
    return recording;
}

std::shared_ptr<const RecoveredRecording> RecoverWithCandidates(const QString& damaged,
                                                                const QStringList& candidates) {
    int tries = 0;
    for (const QString& candidate : candidates) {
        if (candidate == damaged || LacksIndex(candidate)) {
            continue;
        }
        QString why;
        if (auto recording = RecoverRecording(damaged, candidate, &why)) {
            qCInfo(lcMedia) << "recovered" << damaged << "with" << candidate;
            return recording;
        }
        qCInfo(lcMedia) << "recovering" << damaged << "with" << candidate << "failed:" << why;
        if (++tries == kMaxReferenceTries) {
            break;
        }
    }
    return nullptr;
}

RecoveredInput::~RecoveredInput() {
    m_context.reset();
    if (m_io != nullptr) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

int RecoveredInput::Read(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<RecoveredInput*>(opaque);
    const uint64_t total = self->m_recording->Size();
    if (self->m_position >= total) {
        return AVERROR_EOF;
    }
    const auto count = static_cast<size_t>(
        std::min<uint64_t>(static_cast<uint64_t>(size), total - self->m_position));
    if (!self->m_recording->ReadAt(&self->m_file, self->m_position, buffer, count)) {
        return AVERROR(EIO);
    }
    self->m_position += count;
    return static_cast<int>(count);
}

int64_t RecoveredInput::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<RecoveredInput*>(opaque);
    const auto total = static_cast<int64_t>(self->m_recording->Size());
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return total;
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = static_cast<int64_t>(self->m_position) + offset;
            break;
        case SEEK_END:
            target = total + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0) {
        return AVERROR(EINVAL);
    }
    self->m_position = static_cast<uint64_t>(target);
    return target;
}

std::unique_ptr<RecoveredInput> RecoveredInput::Open(
    std::shared_ptr<const RecoveredRecording> recording, const AVIOInterruptCB* interrupt,
    HRESULT* error) {
    *error = VFW_E_INVALID_FILE_FORMAT;
    std::unique_ptr<RecoveredInput> input(new RecoveredInput());
    input->m_recording = std::move(recording);
    input->m_file.setFileName(input->m_recording->Path());
    if (!input->m_file.open(QIODevice::ReadOnly)) {
        *error = VFW_E_NOT_FOUND;
        return nullptr;
    }
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    input->m_io = buffer != nullptr
                      ? avio_alloc_context(buffer, kIoBufferSize, 0, input.get(),
                                           &RecoveredInput::Read, nullptr, &RecoveredInput::Seek)
                      : nullptr;
    AVFormatContext* raw = input->m_io != nullptr ? avformat_alloc_context() : nullptr;
    if (raw == nullptr) {
        av_free(input->m_io == nullptr ? buffer : nullptr);
        *error = E_OUTOFMEMORY;
        return nullptr;
    }
    raw->pb = input->m_io;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (interrupt != nullptr) {
        raw->interrupt_callback = *interrupt;
    }
    if (const int opened = avformat_open_input(&raw, "", av_find_input_format("mov"), nullptr);
        opened < 0) {
        qCWarning(lcMedia) << "the recovered copy of" << input->m_recording->Path()
                           << "does not open:" << AvErrorText(opened);
        return nullptr;
    }
    input->m_context.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        return nullptr;
    }
    *error = S_OK;
    return input;
}

}  // namespace platform::media
