// The pathway file's writer and reader.
#include "pathway/PathwayFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_set>
#include <utility>

#include <QBuffer>
#include <QByteArray>
#include <QSaveFile>

#include "engine/RegularFile.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "pathway/ShapeFinder.h"

namespace {

constexpr int kHeaderLines = 33;

// A header text must stay on its own line.
std::string oneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\n' && c != '\r') {
            out.push_back(c);
        }
    }
    return out;
}

std::string_view bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Encoded in memory and written through writeWhole: the image writer itself
// does not notice a write that fails on a full disk, and would leave a
// truncated picture behind.
bool encodePicture(const Image& picture, const std::string& format, QByteArray& bytes) {
    if (picture.isNull()) {
        return false;
    }
    // Converted here, pixel by pixel, into the layouts the writers take as
    // they are: QImage's own conversion would hand the work to a thread pool.
    const int channels = picture.channels();
    QImage native(picture.width(), picture.height(),
                  channels == 4   ? QImage::Format_ARGB32
                  : channels == 1 ? QImage::Format_Grayscale8
                                  : QImage::Format_RGB32);
    if (native.isNull()) {
        return false;
    }
    for (int y = 0; y < picture.height(); ++y) {
        uchar* line = native.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const Color4uint8 p = picture.pixel(x, y);
            if (channels == 1) {
                line[x] = p.r;
            } else {
                reinterpret_cast<QRgb*>(line)[x] = qRgba(p.r, p.g, p.b, channels == 4 ? p.a : 255);
            }
        }
    }
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && native.save(&buffer, format.c_str());
}

// Lines gathered in chunks into a QSaveFile, which writes beside the target
// and takes its place only when commit() finds everything written.
class SaveFileSink final : public LineSink {
public:
    explicit SaveFileSink(QSaveFile& file) : file(file) {}
    void addLine(std::string_view line) override {
        buffer.append(line).push_back('\n');
        flushFull();
    }
    void addLine(std::string_view a, std::string_view b, std::string_view c) override {
        buffer.append(a).append(b).append(c).push_back('\n');
        flushFull();
    }
    // False when a write failed; failure() then says why.
    bool finish() {
        flush();
        errno = 0;
        if (ok && (!file.flush() || file.error() != QFileDevice::NoError)) {
            ok = false;
            why = writeFailureOf(file, errno);
        }
        return ok;
    }
    const std::string& failure() const { return why; }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    void flushFull() {
        if (buffer.size() >= kChunk) {
            flush();
        }
    }
    void flush() {
        const auto size = static_cast<qint64>(buffer.size());
        errno = 0;
        if (ok && file.write(buffer.data(), size) != size) {
            ok = false;
            why = writeFailureOf(file, errno);
        }
        buffer.clear();
    }

    QSaveFile& file;
    std::string buffer;
    bool ok = true;
    std::string why;
};

// The bytes of a picture file; false when it cannot be read whole.
bool readWhole(const std::string& path, QByteArray& bytes) {
    std::string content;
    if (!readRegularFile(path, Image::maxFileBytes, content)) {
        return false;
    }
    bytes = QByteArray(content.data(), static_cast<qsizetype>(content.size()));
    return true;
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

// Divides where the pathway has an extent; a flat axis keeps the value.
Vector3 toFraction(const Vector3& p, const Vector3& size) {
    Vector3 out = p;
    for (int i = 0; i < 3; ++i) {
        if (size[i] != 0) {
            out[i] = p[i] / size[i];
        }
    }
    return out;
}

std::string directoryOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        std::error_code error;
        return std::filesystem::current_path(error).string();
    }
    return folder.string();
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string resolveImage(const std::string& imageName, const std::string& directory) {
    const std::filesystem::path image(imageName);
    return image.has_parent_path() ? imageName : (directory / image).string();
}

// Section lines: blank lines are skipped, and the end of the file ends every
// loop (false) instead of reading empty lines forever.
bool nextLine(TextFileReader& in, std::string& out) {
    while (in.readLine(out)) {
        if (!out.empty() && out != "\t") {
            return true;
        }
    }
    return false;
}

bool expect(TextFileReader& in, const char* keyword) {
    std::string line;
    if (!nextLine(in, line)) {
        std::fprintf(stderr, "pathway: %s ends before \"%s\"\n", in.fileName().c_str(), keyword);
        return false;
    }
    if (line != keyword) {
        std::fprintf(stderr, "pathway: expected \"%s\" in %s, read \"%s\"\n", keyword,
                     in.fileName().c_str(), line.c_str());
        return false;
    }
    return true;
}

// Reads the lines of a section up to its closing keyword; false when the file
// ends first.
template <class Fn>
bool readSection(TextFileReader& in, const char* closing, Fn each) {
    std::string line;
    for (;;) {
        if (!nextLine(in, line)) {
            std::fprintf(stderr, "pathway: %s ends before \"%s\"\n", in.fileName().c_str(),
                         closing);
            return false;
        }
        if (line == closing) {
            return true;
        }
        each(line);
    }
}

bool isWholeNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Traces "i/n" as trace("%d/%d\n") would, without reading a format each time.
void traceCount(int i, int n) {
    char line[24];
    char* end = std::to_chars(line, line + 11, i).ptr;
    *end++ = '/';
    end = std::to_chars(end, end + 11, n).ptr;
    traceLine(std::string_view(line, static_cast<std::size_t>(end - line)));
}

// Builds one protein entity per graph node and one interaction per graph edge.
template <class Progress>
bool buildNetworkScene(PathwayLayoutEntity& p, Progress progress) {
    ProteinGraph& g = p.graph();
    const Vector3 size = p.getSize();
    g.scaleX = size.x;
    g.scaleY = size.y;
    p.dropEntities();
    p.setDragEnabled(true);

    Array<std::string> ids;
    g.getNodes(ids);
    const int n = static_cast<int>(ids.size());
    // Sized once: growing them step by step would copy and rehash them.
    p.reserveNodes(ids.size());
    // The protein made for each node, by its place in the graph's node order:
    // the edges below find their ends there instead of by identifier.
    Array<NodeEntity*> atPlace(static_cast<std::size_t>(g.nodeCount()), nullptr);
    Array<Vector3> anchors;
    for (int i = 0; i < n; ++i) {
        const std::string& id = ids[static_cast<std::size_t>(i)];
        progress(20 + static_cast<int>(20LL * i / n));
        // Every node of getNodes is visible: its list is looked up once.
        const PropertyList* own = g.getNodeProperties(id);
        auto property = [own](const char* name) -> const Property* {
            return own != nullptr ? own->getProperty(name) : nullptr;
        };
        Vector3 position;
        if (!g.getProteinPosition(id, position)) {
            Vector3 fraction;
            if (g.approximatePosition(id, fraction)) {
                position = Vector3(fraction.x * size.x, fraction.y * size.y, 0);
            } else {
                position = Vector3(0.5f * size.x, -0.5f * size.y, 0);
            }
            std::fprintf(stderr, "pathway: protein %s has no position; placed at (%g, %g)\n",
                         id.c_str(), position.x, position.y);
        }
        const bool important = g.isImportant(id);
        const bool experimental = property("heatmap") != nullptr;
        position.z = PathwayLayoutEntity::shownLayer(important, experimental);
        std::string label = id;
        if (const Property* name = property("name")) {
            label = name->getValue();
        } else {
            std::fprintf(stderr, "pathway: protein %s has no name; shown by its identifier\n",
                         id.c_str());
        }
        NodeEntity* node = p.createNode(CoordinateFrame(position), label, important);
        if (experimental) {
            node->shapeName = "default";
            const Vector3& e = p.style().experimentalProteinSize;
            node->setSize(size.y * e.x, size.y * e.y, size.y * e.z);
            const Color4& c = p.style().experimentalProteinsColor;
            node->setColor(c.r, c.g, c.b, c.a);
            node->setLabelSize(node->getSize().y * p.style().experimentalLabelFactor);
            const Color4& f = p.style().experimentalProteinsFontColor;
            node->setFontColor(f.r, f.g, f.b, f.a);
        }
        p.registerNode(id, node);
        atPlace[static_cast<std::size_t>(g.placeOf(id))] = node;
        traceCount(i, n);

        if (const Property* colour = property("color")) {
            const Color4 c = stringToColor4(colour->getValue());
            node->setColor(c.r, c.g, c.b, c.a);
        }
        if (const Property* colour = property("fontcolor")) {
            const Color4 c = stringToColor4(colour->getValue());
            node->setFontColor(c.r, c.g, c.b, c.a);
        }
        if (const Property* texture = property("texture")) {
            node->shapeName = texture->getValue();
        }
        if (const Property* preferred = property("prefsize")) {
            if (preferred->values.size() >= 3) {
                node->setSize(static_cast<float>(stringToDouble(preferred->values[0])) * size.x,
                              static_cast<float>(stringToDouble(preferred->values[1])) * size.y,
                              static_cast<float>(stringToDouble(preferred->values[2])) * size.z);
            }
        }
        if (const Property* initial = property("initialPosition")) {
            anchors.push_back(stringToVector3(initial->getValue()));
        }
        // The shape name is read only by a rebuild.
        node->update();
    }
    p.setInitialPositions(std::move(anchors));

    // The graph stays as it is while the scene is built, so its identifiers
    // can be pointed at rather than copied.
    struct GraphEdge {
        const std::string* a;
        const std::string* b;
        NodeEntity* na;
        NodeEntity* nb;
        const PropertyList* own;
    };
    auto madeAt = [&atPlace](std::size_t place) {
        return place < atPlace.size() ? atPlace[place] : nullptr;
    };
    Array<GraphEdge> graphEdges;
    graphEdges.reserve(g.edgeCount());
    g.forEachEdge([&](const PropertyGraph::EdgeVisit& e) {
        graphEdges.push_back({&e.a, &e.b, madeAt(e.placeOfA), madeAt(e.placeOfB), e.properties});
    });
    const int m = static_cast<int>(graphEdges.size());
    p.reserveEdges(graphEdges.size());
    for (int i = 0; i < m; ++i) {
        const GraphEdge& e = graphEdges[static_cast<std::size_t>(i)];
        progress(40 + static_cast<int>(40LL * i / m));
        if (e.na == nullptr || e.nb == nullptr) {
            continue;
        }
        auto property = [&e](const char* name) -> const Property* {
            return e.own != nullptr ? e.own->getProperty(name) : nullptr;
        };
        EdgeEntity* edge = p.createEdge(e.na, e.nb, property("important") != nullptr);
        p.registerEdge(*e.a, *e.b, edge);
        if (const Property* colour = property("color")) {
            edge->color = stringToColor4(colour->getValue());
        }
        if (const Property* preferred = property("prefsize")) {
            if (!preferred->getValue().empty()) {
                edge->width = stringToDouble(preferred->getValue()) * size.x;
            }
        }
        traceCount(i, m);
    }
    return true;
}

// Gives the proteins with an image region its picture and size, and hangs a
// picture of its region on every interaction that has one.
void buildRegionEntities(PathwayLayoutEntity& p, const Image* image) {
    if (image == nullptr || image->width() <= 0 || image->height() <= 0) {
        return;
    }
    const Vector3 size = p.getSize();
    const float w = static_cast<float>(image->width());
    const float h = static_cast<float>(image->height());
    auto regionSize = [&](const ImageProcessorSelection& s) {
        return Vector3((s.x1 - s.x0) / w * size.x, (s.y1 - s.y0) / h * size.y, 0.000001f);
    };
    for (const auto& [id, selection] : p.nodeSelections()) {
        NodeEntity* node = p.getNode(id);
        if (node == nullptr || selection == nullptr) {
            continue;
        }
        if (p.visual()) {
            node->setTexture(selection->sampleTexture(*image, true, true));
        }
        const Vector3 s = regionSize(*selection);
        node->setSize(s.x, s.y, s.z);
    }
    const Vector3 origin = p.getGlobalFrame().translation;
    for (const auto& [key, selection] : p.edgeSelections()) {
        if (selection == nullptr) {
            continue;
        }
        // Identifiers may hold "-" themselves: every cut is tried.
        EdgeEntity* edge = nullptr;
        for (std::size_t dash = key.find('-'); dash != std::string::npos && edge == nullptr;
             dash = key.find('-', dash + 1)) {
            const std::string a = key.substr(0, dash);
            const std::string b = key.substr(dash + 1);
            if (a != b) {
                edge = p.findEdge(a, b);
            }
        }
        if (edge == nullptr) {
            continue;
        }
        auto picture = std::make_shared<NodeEntity>(
            CoordinateFrame(), "", 0, regionSize(*selection), Color4(1, 1, 1, 1), false);
        if (p.visual()) {
            picture->setTexture(selection->sampleTexture(*image, true, true));
        }
        edge->addChild(picture.get());
        edge->setReferencedObject(picture);
        const float cx = (selection->x0 + selection->x1) / 2;
        const float cy = (selection->y0 + selection->y1) / 2;
        picture->setGlobalFrame(CoordinateFrame(
            Vector3(cx / w * size.x + origin.x, origin.y - cy / h * size.y, 0.001f)));
    }
}

}  // namespace

// ---- writing ----

void PathwayFileWriter::write(LineSink& lines) const {
    // The layout moves the proteins whose places are written.
    pathway.withLayoutLocked([&] { writeBetweenPasses(lines); });
}

void PathwayFileWriter::writeBetweenPasses(LineSink& lines) const {
    PathwayLayoutEntity& p = pathway;
    const Vector3 size = p.getSize();
    lines.addLine(oneLine(p.getName()));
    lines.addLine(flag(p.hasNetwork_));
    lines.addLine(flag(p.fromImage_));
    lines.addLine(color4ToString(p.style().backgroundColor));
    lines.addLine(color4ToString(p.style().largeProteinsColor));
    lines.addLine(color4ToString(p.style().largeProteinsFontColor));
    lines.addLine(color4ToString(p.style().smallProteinsColor));
    lines.addLine(color4ToString(p.style().smallProteinsFontColor));
    lines.addLine(color4ToString(p.style().largeInteractionsColor));
    lines.addLine(color4ToString(p.style().smallInteractionsColor));
    lines.addLine(doubleToString(p.style().edgeAlpha));
    lines.addLine(color4ToString(p.style().explorePlaneColor));
    lines.addLine(color4ToString(p.style().explorePlaneProteinsColor));
    lines.addLine(color4ToString(p.style().explorePlaneInteractionsColor));
    lines.addLine(doubleToString(p.style().explorePlaneAlpha));
    lines.addLine(color4ToString(p.style().highlightingColor));
    lines.addLine(color4ToString(p.style().cellMembraneColor));
    lines.addLine(color4ToString(p.style().experimentalProteinsColor));
    lines.addLine(color4ToString(p.style().experimentalProteinsFontColor));
    lines.addLine(vector3ToString(p.style().experimentalProteinSize));
    lines.addLine(doubleToString(p.style().experimentalLabelFactor));
    lines.addLine(vector3ToString(p.style().largeProteinSize));
    lines.addLine(doubleToString(p.style().largeLabelFactor));
    lines.addLine(vector3ToString(p.style().smallProteinSize));
    lines.addLine(doubleToString(p.style().smallLabelFactor));
    lines.addLine(doubleToString(p.style().largeInteractionWidth));
    lines.addLine(doubleToString(p.style().smallInteractionWidth));
    lines.addLine(vector3ToString(p.style().reservedVector));
    lines.addLine(doubleToString(p.style().reservedValue));
    lines.addLine(oneLine(p.creationStamp_));
    lines.addLine(oneLine(p.imageName_));
    lines.addLine(oneLine(p.buildMode_));
    lines.addLine(oneLine(p.dataSourceName_));

    lines.addLine("NODES");
    for (Entity* child : p.getChildren()) {
        if (child->getType() != "NodeEntity") {
            continue;
        }
        const auto* node = static_cast<const NodeEntity*>(child);
        CoordinateFrame frame = node->getLocalFrame();
        frame.translation = toFraction(frame.translation, size);
        lines.addLine(oneLine(node->getName()), "\t", coordinateFrameToString(frame));
    }
    lines.addLine("ENDNODES");

    lines.addLine("CONTROLPOINTS");
    for (const Vector3& point : p.controlPoints()) {
        lines.addLine(vector3ToString(point));
    }
    lines.addLine("ENDCONTROLPOINTS");

    lines.addLine("EDGES");
    for (Entity* child : p.getChildren()) {
        if (child->getType() != "EdgeEntity") {
            continue;
        }
        const auto* edge = static_cast<const EdgeEntity*>(child);
        if (edge->nodeA == nullptr || edge->nodeB == nullptr) {
            continue;
        }
        lines.addLine(oneLine(edge->nodeA->getName()), "\t", oneLine(edge->nodeB->getName()));
    }
    lines.addLine("ENDEDGES");

    lines.addLine(oneLine(p.noteLine_));

    lines.addLine("NODE_TO_ID");
    for (const std::string& line : p.nodeToIdLines_) {
        lines.addLine(oneLine(line));
    }
    lines.addLine("END_NODE_TO_ID");

    lines.addLine("IMPROC");
    if (p.shapeFinder_) {
        lines.addLine(intToString(p.shapeFinder_->imageWidth()));
        lines.addLine(intToString(p.shapeFinder_->imageHeight()));
    }
    lines.addLine("IMPROCSEL");
    if (p.shapeFinder_) {
        for (const auto& selection : p.shapeFinder_->getSelections()) {
            lines.addLine(selection->toText());
        }
    }
    lines.addLine("ENDIMPROC");

    lines.addLine("NODESTOSELECTIONS");
    for (const auto& [key, selection] : p.nodeSelections_) {
        if (selection != nullptr) {
            lines.addLine(oneLine(key), "#", selection->toText());
        }
    }
    lines.addLine("ENDNODESTOSELECTIONS");

    lines.addLine("EDGESTOSELECTIONS");
    for (const auto& [key, selection] : p.edgeSelections_) {
        if (selection != nullptr) {
            lines.addLine(oneLine(key), "#", selection->toText());
        }
    }
    lines.addLine("ENDEDGESTOSELECTIONS");

    if (p.hasNetwork_) {
        p.graph_->save(lines);
    }
}

namespace {

std::string pictureExtensionOf(const std::string& imageName) {
    const std::size_t dot = imageName.rfind('.');
    return toLower(dot == std::string::npos ? std::string() : imageName.substr(dot + 1));
}

}  // namespace

std::string pathwayNameOf(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string pictureCopyNameOf(const std::string& fileName, const std::string& imageName) {
    return pathwayNameOf(fileName) + "_img." + pictureExtensionOf(imageName);
}

bool PathwayFileWriter::save(const std::string& path) const {
    PathwayLayoutEntity& p = pathway;
    const std::string directory = directoryOf(path);
    const std::string fileName = fileNameOf(path);
    const std::string cachePath = path + ".cache";
    const std::string copyName =
        p.imageName_.empty() ? std::string() : pictureCopyNameOf(fileName, p.imageName_);
    const std::string copyPath = copyName.empty() ? std::string() : directory + "/" + copyName;

    // Nothing is written unless every file of the save may be: renaming over a
    // FIFO or a device would replace the node itself.
    std::string why;
    for (const std::string& target : {path, cachePath, copyPath}) {
        if (!target.empty() && writeTargetOf(target, why).empty()) {
            std::fprintf(stderr, "pathway: cannot write %s: %s\n", target.c_str(), why.c_str());
            return false;
        }
    }

    // The picture's bytes, made before anything is written. An unchanged
    // picture is copied as it is: encoding it again would cost more than
    // reading it did, and a lossy format would lose more.
    std::optional<QByteArray> pictureBytes;
    bool pictureFromSource = false;
    std::error_code error;
    if (!copyName.empty() && !(p.pictureUnchanged() &&
                               std::filesystem::equivalent(p.sourceImageFile_, copyPath, error))) {
        QByteArray unchanged;
        if (p.pictureUnchanged() && readWhole(p.sourceImageFile_, unchanged)) {
            pictureBytes = std::move(unchanged);
            pictureFromSource = true;
        } else {
            Image loaded;
            const Image* picture = p.sourceImage_.get();
            if (picture == nullptr || picture->isNull()) {
                bool ok = false;
                loaded = Image::fromFile(resolveImage(p.imageName_, directory), &ok);
                picture = ok ? &loaded : nullptr;
            }
            if (picture == nullptr) {
                std::fprintf(stderr, "pathway: cannot read the picture %s to copy it beside %s\n",
                             p.imageName_.c_str(), path.c_str());
            } else {
                QByteArray encoded;
                if (!encodePicture(*picture, pictureExtensionOf(p.imageName_), encoded)) {
                    std::fprintf(stderr, "pathway: cannot encode the picture %s\n",
                                 p.imageName_.c_str());
                    return false;
                }
                pictureBytes = std::move(encoded);
                pictureFromSource = picture == p.sourceImage_.get();
            }
        }
    }

    // The header names the copy; a failed save keeps the names it had.
    const std::string previousName = p.getName();
    const std::string previousImageName = p.imageName_;
    p.setName(pathwayNameOf(fileName));
    const bool copied =
        pictureBytes.has_value() || (!copyName.empty() && !error && p.pictureUnchanged());
    if (copied) {
        p.imageName_ = copyName;
    }
    auto fail = [&](const std::string& what, const std::string& reason) {
        std::fprintf(stderr, "pathway: cannot write %s: %s\n", what.c_str(), reason.c_str());
        p.setName(previousName);
        p.imageName_ = previousImageName;
        return false;
    };

    // The lines go to a file beside the target first; the picture is written
    // only once they all are, and the file takes its place last, so a full
    // disk leaves neither a new picture nor half a pathway.
    QSaveFile file(QString::fromStdString(writeTargetOf(path, why)));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(path, writeFailureOf(file, errno));
    }
    SaveFileSink sink(file);
    write(sink);
    if (!sink.finish()) {
        file.cancelWriting();
        return fail(path, sink.failure());
    }
    const bool pictureIsNew = pictureBytes && !std::filesystem::exists(copyPath, error);
    if (pictureBytes && !writeWhole(bytesOf(*pictureBytes), copyPath, &why)) {
        file.cancelWriting();
        return fail(copyPath, why);
    }
    errno = 0;
    if (!commitWhole(file)) {
        const std::string reason = writeFailureOf(file, errno);
        if (pictureIsNew) {
            std::filesystem::remove(copyPath, error);
        }
        return fail(path, reason);
    }
    if (pictureFromSource) {
        p.sourceImageFile_ = copyPath;
        if (p.sourceImage_) {
            p.sourceImageAsRead_ = p.sourceImage_->qimage();
        }
    }

    p.neighbourhoods().saveSideFile(cachePath);
    return true;
}

// ---- reading ----

std::unique_ptr<Image> PathwayFileReader::handedPicture(const std::string& file) {
    if (handed.pixels.isNull() || handed.file != file) {
        return nullptr;
    }
    handed.file.clear();
    // Shares the pixels: they are in the image's own layout already.
    return std::make_unique<Image>(std::exchange(handed.pixels, QImage()));
}

bool PathwayFileReader::load(const std::string& path) {
    PathwayLayoutEntity& p = pathway;
    if (window != nullptr) {
        window->createProgressDialog(0, 100, "Loading pathway...");
    }
    // Only a picture decoded by this read is taken over below.
    p.sourceImageFile_.clear();
    TextFileReader reader;
    bool ok = reader.open(path);
    if (!ok) {
        std::fprintf(stderr, "pathway: cannot open %s\n", path.c_str());
    } else {
        ok = read(reader, true);
    }
    reader.close();
    if (ok) {
        trace("load path %s\n", path.c_str());
        if (!p.imageName_.empty()) {
            // The reader decoded the picture already when a region needed it.
            const std::string picture = resolveImage(p.imageName_, directoryOf(path));
            std::unique_ptr<Image> decoded;
            if (p.sourceImageFile_ == picture && p.pictureUnchanged()) {
                decoded = std::move(p.sourceImage_);
            } else {
                decoded = handedPicture(picture);
            }
            p.setBackground(picture, std::move(decoded));
            if (p.shapeFinder_) {
                p.shapeFinder_->sourceImage = p.sourceImage_.get();
            }
        }
    } else {
        std::fprintf(stderr, "pathway: %s is not a readable pathway file\n", path.c_str());
    }
    if (window != nullptr) {
        window->stepProgress(100);
    }
    return ok;
}

bool PathwayFileReader::read(TextFileReader& reader, bool buildEntities) {
    PathwayLayoutEntity& p = pathway;
    const Vector3 size = p.getSize();
    int shownProgress = -1;
    auto progress = [&](int value) {
        if (window != nullptr && value != shownProgress) {
            shownProgress = value;
            window->stepProgress(value);
        }
    };
    progress(1);
    p.withLayoutLocked([&] { p.childList().clear(); });
    p.forgetIds();

    // The header by position, blank lines included: an empty text keeps its place.
    std::string header[kHeaderLines];
    for (std::string& line : header) {
        if (!reader.readLine(line)) {
            std::fprintf(stderr, "pathway: %s ends inside its header\n", reader.fileName().c_str());
            return false;
        }
    }
    int at = 0;
    auto text = [&]() -> const std::string& { return header[at++]; };
    auto colour = [&](Color4& c) { c = stringToColor4(text()); };
    auto number = [&](double& d) { d = stringToDouble(text()); };
    auto vector = [&](Vector3& v) { v = stringToVector3(text()); };
    p.setName(text());
    p.hasNetwork_ = stringToInt(text()) != 0;
    p.fromImage_ = stringToInt(text()) != 0;
    colour(p.style().backgroundColor);
    colour(p.style().largeProteinsColor);
    colour(p.style().largeProteinsFontColor);
    colour(p.style().smallProteinsColor);
    colour(p.style().smallProteinsFontColor);
    colour(p.style().largeInteractionsColor);
    colour(p.style().smallInteractionsColor);
    number(p.style().edgeAlpha);
    colour(p.style().explorePlaneColor);
    colour(p.style().explorePlaneProteinsColor);
    colour(p.style().explorePlaneInteractionsColor);
    number(p.style().explorePlaneAlpha);
    colour(p.style().highlightingColor);
    colour(p.style().cellMembraneColor);
    colour(p.style().experimentalProteinsColor);
    colour(p.style().experimentalProteinsFontColor);
    vector(p.style().experimentalProteinSize);
    number(p.style().experimentalLabelFactor);
    vector(p.style().largeProteinSize);
    number(p.style().largeLabelFactor);
    vector(p.style().smallProteinSize);
    number(p.style().smallLabelFactor);
    number(p.style().largeInteractionWidth);
    number(p.style().smallInteractionWidth);
    vector(p.style().reservedVector);
    number(p.style().reservedValue);
    p.creationStamp_ = text();
    p.imageName_ = text();
    p.buildMode_ = text();
    p.dataSourceName_ = text();

    const bool handPlaced = !p.hasNetwork_ && !p.fromImage_;
    Table<std::string, NodeEntity*> byLabel;
    // The pathway's children are collected aside while they are made, so that
    // each insertion stays cheap; they are put back in insertion order below.
    Array<Entity*> added;
    auto takeChildren = [&]() {
        p.withLayoutLocked([&] {
            added.insert(added.end(), p.childList().begin(), p.childList().end());
            p.childList().clear();
        });
    };

    // A repeated line - the same protein at the same place, or the same
    // interaction again - is merged into the first: each copy of a protein is
    // expanded into a whole network of its own by the build.
    std::unordered_set<std::string> linesSeen;
    int repeatedNodes = 0;
    int repeatedEdges = 0;

    if (!expect(reader, "NODES")) {
        return false;
    }
    bool ok = readSection(reader, "ENDNODES", [&](const std::string& line) {
        if (!handPlaced) {
            return;
        }
        if (!linesSeen.insert(line).second) {
            ++repeatedNodes;
            return;
        }
        const std::size_t tab = line.rfind('\t');
        if (tab == std::string::npos) {
            std::fprintf(stderr, "pathway: node line without a frame skipped: %s\n", line.c_str());
            return;
        }
        const std::string label = line.substr(0, tab);
        CoordinateFrame frame = stringToCoordinateFrame(line.substr(tab + 1));
        frame.translation.x *= size.x;
        frame.translation.y *= size.y;
        frame.translation.z = 0.1f;
        NodeEntity* node = p.createNode(frame, label, true);
        takeChildren();
        byLabel[label] = node;
    });
    if (!ok) {
        return false;
    }
    progress(2);

    if (!expect(reader, "CONTROLPOINTS") ||
        !readSection(reader, "ENDCONTROLPOINTS",
                     [&](const std::string& line) { p.addControlPoint(stringToVector3(line)); })) {
        return false;
    }
    progress(3);

    if (!expect(reader, "EDGES")) {
        return false;
    }
    ok = readSection(reader, "ENDEDGES", [&](const std::string& line) {
        if (!handPlaced) {
            return;
        }
        const std::string first = beforeDelimiter(line, "\t");
        const std::string second = afterDelimiter(line, "\t");
        if (!linesSeen.insert("\n" + first + "\t" + second).second ||
            !linesSeen.insert("\n" + second + "\t" + first).second) {
            ++repeatedEdges;
            return;
        }
        auto a = byLabel.find(first);
        auto b = byLabel.find(second);
        if (a == byLabel.end() || b == byLabel.end()) {
            std::fprintf(stderr, "pathway: interaction with an unknown protein skipped: %s\n",
                         line.c_str());
            return;
        }
        p.createEdge(a->second, b->second, true);
        takeChildren();
    });
    if (!ok) {
        return false;
    }
    if (repeatedNodes + repeatedEdges > 0) {
        std::fprintf(stderr,
                     "pathway: %s: %d repeated protein and %d repeated interaction lines merged "
                     "into their first\n",
                     reader.fileName().c_str(), repeatedNodes, repeatedEdges);
    }
    {
        // Ascending depth as always, equal depths in file order, so that the
        // next save writes the sections as they were read.
        std::stable_sort(added.begin(), added.end(), [](const Entity* a, const Entity* b) {
            return a->getGlobalFrame().translation.z < b->getGlobalFrame().translation.z;
        });
        p.withLayoutLocked([&] { p.childList() = added; });
    }
    progress(4);

    // The free text line sits right after ENDEDGES, even when it is empty.
    if (!reader.readLine(p.noteLine_)) {
        std::fprintf(stderr, "pathway: %s ends before its note line\n", reader.fileName().c_str());
        return false;
    }

    if (!expect(reader, "NODE_TO_ID") ||
        !readSection(reader, "END_NODE_TO_ID",
                     [&](const std::string& line) { p.nodeToIdLines_.push_back(line); })) {
        return false;
    }
    progress(5);

    // The picture is read only when a region needs it.
    const std::string directory = directoryOf(reader.fileName());
    bool imageTried = false;
    auto image = [&]() -> Image* {
        if (!imageTried) {
            imageTried = true;
            if (!p.imageName_.empty()) {
                const std::string file = resolveImage(p.imageName_, directory);
                std::unique_ptr<Image> picture = handedPicture(file);
                bool read = picture != nullptr;
                if (!picture) {
                    picture = std::make_unique<Image>(Image::fromFile(file, &read));
                }
                if (read && !picture->isNull()) {
                    p.sourceImage_ = std::move(picture);
                    p.sourceImageFile_ = file;
                    p.sourceImageAsRead_ = p.sourceImage_->qimage();
                } else {
                    std::fprintf(stderr, "pathway: cannot read the picture %s\n", file.c_str());
                }
            }
        }
        return p.sourceImage_.get();
    };
    auto makeShapeFinder = [&]() {
        if (p.shapeFinder_) {
            return;
        }
        p.shapeFinder_ = std::make_shared<ShapeFinder>(
            image(), p.getGlobalFrame().translation.x, p.getGlobalFrame().translation.y,
            p.getGlobalFrame().translation.z, size.x, size.y, size.z, window);
        p.shapeFinder_->setPathway(&p);
    };

    if (!expect(reader, "IMPROC")) {
        return false;
    }
    std::string line;
    if (!nextLine(reader, line)) {
        std::fprintf(stderr, "pathway: %s ends inside IMPROC\n", reader.fileName().c_str());
        return false;
    }
    int storedWidth = 0;
    int storedHeight = 0;
    bool storedSize = false;
    if (line != "IMPROCSEL") {
        std::string heightLine;
        if (!isWholeNumber(line) || !nextLine(reader, heightLine) || !isWholeNumber(heightLine)) {
            std::fprintf(stderr, "pathway: bad image size in %s\n", reader.fileName().c_str());
            return false;
        }
        // Bounded before conversion: a longer digit string would not fit an int.
        auto side = [](const std::string& text) {
            return text.size() <= 9 ? stringToInt(text) : ImageProcessorSelection::maxImageSide;
        };
        storedWidth = side(line);
        storedHeight = side(heightLine);
        if (storedWidth >= ImageProcessorSelection::maxImageSide ||
            storedHeight >= ImageProcessorSelection::maxImageSide) {
            std::fprintf(stderr, "pathway: %s line %ld: image size beyond %d pixels a side\n",
                         reader.fileName().c_str(), reader.lineNumber(),
                         ImageProcessorSelection::maxImageSide);
            return false;
        }
        storedSize = true;
        if (!expect(reader, "IMPROCSEL")) {
            return false;
        }
        // A pathway that had a shape finder gets one back, regions or not.
        makeShapeFinder();
    }
    // Region boxes are checked against the image they were found on and then
    // mapped, box and mask together, onto the image loaded now.
    auto checkWidth = [&]() {
        if (storedSize)
            return storedWidth;
        return image() != nullptr ? image()->width() : 0;
    };
    auto checkHeight = [&]() {
        if (storedSize)
            return storedHeight;
        return image() != nullptr ? image()->height() : 0;
    };
    auto readRegion = [&](const std::string& text) -> std::unique_ptr<ImageProcessorSelection> {
        std::string why;
        auto selection = ImageProcessorSelection::parse(text, checkWidth(), checkHeight(), &why);
        if (!selection) {
            std::fprintf(stderr, "pathway: %s line %ld: image region skipped: %s\n",
                         reader.fileName().c_str(), reader.lineNumber(), why.c_str());
            return nullptr;
        }
        if (storedSize && image() != nullptr) {
            selection->resample(storedWidth, storedHeight, image()->width(), image()->height());
        }
        return selection;
    };

    Array<std::pair<std::string, ImageProcessorSelection*>> regionLines;
    ok = readSection(reader, "ENDIMPROC", [&](const std::string& text) {
        makeShapeFinder();
        auto selection = readRegion(text);
        if (!selection) {
            return;
        }
        regionLines.emplace_back(text, selection.get());
        p.shapeFinder_->addSelection(std::move(selection));
    });
    if (!ok) {
        return false;
    }
    progress(6);

    if (!nextLine(reader, line)) {
        std::fprintf(stderr, "pathway: %s ends before its region tables\n",
                     reader.fileName().c_str());
        return false;
    }
    if (line == "NODESTOSELECTIONS") {
        p.nodeSelections_.clear();
        ok = readSection(reader, "ENDNODESTOSELECTIONS", [&](const std::string& text) {
            const std::size_t hash = text.find('#');
            if (hash == std::string::npos) {
                std::fprintf(stderr, "pathway: protein region line skipped: %s\n", text.c_str());
                return;
            }
            std::shared_ptr<ImageProcessorSelection> selection = readRegion(text.substr(hash + 1));
            if (selection) {
                p.ownedSelections_.push_back(selection);
                p.nodeSelections_[text.substr(0, hash)] = selection.get();
            }
        });
        if (!ok) {
            return false;
        }
    }
    progress(7);

    if (!nextLine(reader, line)) {
        std::fprintf(stderr, "pathway: %s ends before its interaction regions\n",
                     reader.fileName().c_str());
        return false;
    }
    if (line == "EDGESTOSELECTIONS") {
        ok = readSection(reader, "ENDEDGESTOSELECTIONS", [&](const std::string& text) {
            const std::size_t hash = text.find('#');
            const std::string region = hash == std::string::npos ? "" : text.substr(hash + 1);
            auto found = std::find_if(regionLines.begin(), regionLines.end(),
                                      [&](const auto& entry) { return entry.first == region; });
            if (hash == std::string::npos || found == regionLines.end()) {
                std::fprintf(stderr, "pathway: interaction region line skipped: %s\n",
                             text.c_str());
                return;
            }
            p.edgeSelections_[text.substr(0, hash)] = found->second;
        });
        if (!ok) {
            return false;
        }
    }
    progress(8);

    if (p.shapeFinder_) {
        p.shapeFinder_->rebuildSelections();
    }
    progress(9);

    if (p.hasNetwork_ && buildEntities) {
        if (!p.graph_->load(reader)) {
            std::fprintf(stderr,
                         "pathway: %s line %ld: the network (the proteins, interactions and "
                         "their properties after the image regions) is cut short or malformed\n",
                         reader.fileName().c_str(), reader.lineNumber());
            return false;
        }
        progress(20);
        if (!buildNetworkScene(p, progress)) {
            return false;
        }
        buildRegionEntities(p, image());
        progress(90);
        if (p.visual_) {
            p.neighbourhoods().openSideFile(reader.fileName() + ".cache");
            p.cacheNeighbourhoodPositions(p.neighbourhoods().cache());
        }
    }
    return true;
}
