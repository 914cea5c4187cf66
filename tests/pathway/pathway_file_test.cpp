// The pathway file: byte-exact round trips for every kind of pathway, damaged
// and foreign files, the image and ".cache" side files, and the stored
// neighbourhood positions of hub proteins.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QImage>

#include "engine/render/Image.h"
#include "model/Cache.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayFile.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "support/FileSizeLimit.h"
#include "support/RunWithin.h"

namespace fs = std::filesystem;

namespace {

class PathwayFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pathway_file_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir, error);
    }

    std::string at(const std::string& name) const { return dir + "/" + name; }

    static std::unique_ptr<PathwayLayoutEntity> fresh(Vector3 size = Vector3(1, 1, 0.01f)) {
        return std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway", size,
                                                     Color4(1, 1, 1, 1));
    }

    static std::string bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::stringstream s(text);
        for (std::string line; std::getline(s, line);) {
            out.push_back(line);
        }
        return out;
    }

    static std::string join(const std::vector<std::string>& ls, std::size_t count) {
        std::string out;
        for (std::size_t i = 0; i < count && i < ls.size(); ++i) {
            out += ls[i] + "\n";
        }
        return out;
    }

    // Loads a file into a fresh pathway; null when the load answers false.
    static std::unique_ptr<PathwayLayoutEntity> load(const std::string& path) {
        auto p = fresh();
        if (!p->loadPathway(path, nullptr)) {
            return nullptr;
        }
        return p;
    }

    // A picture of w x h pixels, top half red and bottom half blue.
    std::string picture(const std::string& name, int w = 20, int h = 10) {
        Image image(w, h, 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                image.setPixel(
                    x, y, y < h / 2 ? Color4uint8{255, 0, 0, 255} : Color4uint8{0, 0, 255, 255});
            }
        }
        EXPECT_TRUE(image.save(at(name)));
        return at(name);
    }

    // A built network: P1 and P2 important and joined, P3 experimental, P4 small.
    static void fillNetwork(PathwayLayoutEntity& p) {
        ProteinGraph& g = p.graph();
        const char* ids[] = {"P1", "P2", "P3", "P4"};
        const Vector3 where[] = {
            {0.2f, -0.2f, 0}, {0.8f, -0.2f, 0}, {0.5f, -0.7f, 0}, {0.3f, -0.9f, 0}};
        for (int i = 0; i < 4; ++i) {
            g.addNode(ids[i]);
            g.setProteinName(ids[i], std::string("Protein ") + ids[i]);
            g.setPosition(ids[i], where[i]);
            g.addNodeProperty(
                ids[i], std::make_unique<Property>("initialPosition", vector3ToString(where[i])));
        }
        g.setImportant("P1");
        g.setImportant("P2");
        g.addEdge("P1", "P2");
        g.setInteractionImportant("P1", "P2");
        g.addEdge("P1", "P3");
        g.addEdge("P3", "P4");
        g.addEdge("P2", "P4");
        g.addNodeProperty("P3", std::make_unique<Property>("heatmap", "exp\td\tn\t(1, 0, 0, 1)"));
        g.addEdgeProperty("P3", "P4", std::make_unique<Property>("color", "(0, 0, 1, 1)"));
        g.addEdgeProperty("P3", "P4", std::make_unique<Property>("prefsize", "0.5"));
        g.setRating("longname", 1);
        p.setHasNetwork(true);
        p.setDataSourceName("HPRD");
    }

    // Proteins and interactions placed by hand.
    static void fillHandPlaced(PathwayLayoutEntity& p) {
        NodeEntity* a = p.createNode(CoordinateFrame(Vector3(0.3f, -0.2f, 0.1f)), "A", true);
        NodeEntity* b = p.createNode(CoordinateFrame(Vector3(0.6f, -0.5f, 0.1f)), "B", true);
        NodeEntity* c = p.createNode(CoordinateFrame(Vector3(0.1f, -0.8f, 0.1f)), "C", true);
        p.createEdge(a, b, true);
        p.createEdge(b, c, true);
        p.addControlPoint(Vector3(0.5f, -0.5f, 0));
        p.setNoteLine("a note");
        p.nodeToIdLines().push_back("A\tP1");
    }

    // A shape finder over a picture, with one region that is also the region
    // of a protein and of an interaction.
    void fillImage(PathwayLayoutEntity& p) {
        p.setBackground(picture("photo.png"));
        p.setFromImage(true);
        p.setShapeFinder(
            std::make_shared<ShapeFinder>(p.sourceImage(), 0, 0, 0, 1, 1, 0.01f, nullptr));
        auto region = std::make_unique<ImageProcessorSelection>(2, 3, 5, 6, false);
        region->mask(1, 1) = 1.0;
        region->mask(2, 0) = 0.5;
        ImageProcessorSelection* shared = region.get();
        p.shapeFinder()->addSelection(std::move(region));
        p.edgeSelections()["P1-P2"] = shared;
        auto own = std::make_shared<ImageProcessorSelection>(1, 1, 3, 2, false);
        own->mask(0, 0) = 1.0;
        p.ownSelection(own);
        p.nodeSelections()["P1"] = own.get();
    }

    // Saves, loads and saves again; the two last writes must agree byte for
    // byte, and with the first when no network is built from the graph.
    void expectRoundTrip(PathwayLayoutEntity& original) {
        const std::string path = at("round.pth");
        ASSERT_TRUE(original.savePathway(path));
        const std::string first = bytes(path);
        auto second = load(path);
        ASSERT_TRUE(second);
        ASSERT_TRUE(second->savePathway(path));
        const std::string again = bytes(path);
        if (!original.hasNetwork()) {
            EXPECT_EQ(first, again);
        }
        auto third = load(path);
        ASSERT_TRUE(third);
        ASSERT_TRUE(third->savePathway(path));
        EXPECT_EQ(again, bytes(path));
    }

    std::string dir;
};

}  // namespace

TEST_F(PathwayFile, RoundTripsForEveryKindOfPathway) {
    {
        SCOPED_TRACE("hand placed");
        auto p = fresh();
        fillHandPlaced(*p);
        expectRoundTrip(*p);
    }
    {
        SCOPED_TRACE("network");
        auto p = fresh();
        fillNetwork(*p);
        expectRoundTrip(*p);
    }
    {
        SCOPED_TRACE("image");
        auto p = fresh();
        fillImage(*p);
        expectRoundTrip(*p);
    }
    {
        SCOPED_TRACE("network from an image");
        auto p = fresh();
        fillNetwork(*p);
        fillImage(*p);
        expectRoundTrip(*p);
    }
}

TEST_F(PathwayFile, ReadsBackWhatItWrote) {
    auto p = fresh(Vector3(2, 1, 1));
    p->createNode(CoordinateFrame(Vector3(0.3f, 0.2f, 0.1f)), "A", true);
    p->createNode(CoordinateFrame(Vector3(0.1f, 0.1f, 0.1f)), "lonely", true);
    p->createEdge(p->findNodeByName("A"), p->findNodeByName("lonely"), true);
    p->style().edgeAlpha = 0.4;
    p->style().highlightingColor = Color4(0, 1, 0, 1);
    p->setDataSourceName("String");  // buildMode stays empty
    ASSERT_TRUE(p->savePathway(at("sizes.pth")));
    EXPECT_NE(bytes(at("sizes.pth")).find("A\t((0.15, 0.2, 0.1);"), std::string::npos);

    auto q = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway", Vector3(4, 2, 1),
                                                   Color4(1, 1, 1, 1));
    ASSERT_TRUE(q->loadPathway(at("sizes.pth"), nullptr));
    NodeEntity* a = q->findNodeByName("A");
    ASSERT_NE(a, nullptr);
    EXPECT_NEAR(a->getLocalFrame().translation.x, 0.6f, 1e-5);
    EXPECT_NEAR(a->getLocalFrame().translation.y, 0.4f, 1e-5);
    EXPECT_FLOAT_EQ(a->getLocalFrame().translation.z, 0.1f);
    EXPECT_EQ(q->getName(), "sizes");
    EXPECT_EQ(q->buildMode(), "");
    EXPECT_EQ(q->dataSourceName(), "String");
    EXPECT_DOUBLE_EQ(q->style().edgeAlpha, 0.4);
    EXPECT_EQ(q->style().highlightingColor.g, 1.0f);
    EXPECT_EQ(q->noteLine(), "none");
    EXPECT_EQ(q->edges().size(), 1u);
    EXPECT_FALSE(q->shapeFinder()) << "a pathway without regions gets no shape finder";
    EXPECT_NE(bytes(at("sizes.pth")).find("\nIMPROC\nIMPROCSEL\nENDIMPROC\n"), std::string::npos);
}

TEST_F(PathwayFile, CrLfFileReadsLikeItsLfOriginal) {
    auto p = fresh();
    fillHandPlaced(*p);
    fillNetwork(*p);
    ASSERT_TRUE(p->savePathway(at("lf.pth")));
    auto reference = load(at("lf.pth"));
    ASSERT_TRUE(reference);
    ASSERT_TRUE(reference->savePathway(at("lf.pth")));
    const std::string lf = bytes(at("lf.pth"));
    std::string crlf;
    for (char c : lf) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    write(at("lf.pth"), crlf);
    auto q = load(at("lf.pth"));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->nodeTable().size(), 4u);
    EXPECT_EQ(q->noteLine(), "a note");
    ASSERT_TRUE(q->savePathway(at("lf.pth")));
    EXPECT_EQ(bytes(at("lf.pth")), lf);
}

TEST_F(PathwayFile, DamagedFilesAnswerFalse) {
    EXPECT_FALSE(load(at("missing.pth")));
    write(at("empty.pth"), "");
    EXPECT_FALSE(load(at("empty.pth")));

    for (bool network : {false, true}) {
        auto p = fresh();
        fillHandPlaced(*p);
        if (network)
            fillNetwork(*p);
        ASSERT_TRUE(p->savePathway(at("whole.pth")));
        const auto all = lines(bytes(at("whole.pth")));
        // Every cut before the last line ends a section early.
        for (std::size_t keep = 0; keep + 1 < all.size(); ++keep) {
            write(at("cut.pth"), join(all, keep));
            EXPECT_FALSE(load(at("cut.pth"))) << "kept " << keep << " lines";
        }
        if (network) {
            // Said in the user's terms: which part of the file is bad.
            write(at("cut.pth"), join(all, all.size() - 2));
            testing::internal::CaptureStderr();
            EXPECT_FALSE(load(at("cut.pth")));
            EXPECT_NE(testing::internal::GetCapturedStderr().find("the network (the proteins"),
                      std::string::npos);
        }
        // A header that lost a line puts the wrong text where NODES belongs.
        auto shifted = all;
        shifted.erase(shifted.begin() + 31);
        write(at("shifted.pth"), join(shifted, shifted.size()));
        EXPECT_FALSE(load(at("shifted.pth")));
    }
}

TEST_F(PathwayFile, StrayLinesAreSkipped) {
    auto p = fresh();
    fillHandPlaced(*p);
    fillImage(*p);
    p->setFromImage(false);
    ASSERT_TRUE(p->savePathway(at("stray.pth")));
    std::string text = bytes(at("stray.pth"));
    auto put = [&](const std::string& before, const std::string& line) {
        const std::size_t where = text.find(before);
        ASSERT_NE(where, std::string::npos) << before;
        text.insert(where, line + "\n");
    };
    put("ENDNODES\n", "no frame here");
    put("ENDEDGES\n", "A\tnobody");
    put("ENDEDGES\n", "ghost");
    put("ENDIMPROC\n", "0 1 1 2 2 aaaaaa");              // mask word too short
    put("ENDIMPROC\n", "0 5 5 2 2 aa");                  // reversed box
    put("ENDIMPROC\n", "0 1 1 1 1 zz");                  // letter outside a..p
    put("ENDIMPROC\n", "0 18 1 25 1 aaaaaaaaaaaaaaaa");  // leaves the picture
    put("ENDNODESTOSELECTIONS\n", "P9#0 1 1 x y aa");
    put("ENDEDGESTOSELECTIONS\n", "P3-P4#0 0 0 0 0 aa");
    write(at("stray.pth"), text);

    auto q = load(at("stray.pth"));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->edges().size(), 2u);
    ASSERT_TRUE(q->shapeFinder());
    EXPECT_EQ(q->shapeFinder()->getSelections().size(), 1u);
    EXPECT_EQ(q->nodeSelections().size(), 1u);
    ASSERT_EQ(q->edgeSelections().size(), 1u);
    EXPECT_EQ(q->edgeSelections().begin()->second, q->shapeFinder()->getSelections()[0].get())
        << "an interaction's region is the shape finder's own";
}

TEST_F(PathwayFile, AbsurdRegionSizesAreRefused) {
    auto p = fresh();
    fillImage(*p);
    p->setFromImage(false);
    ASSERT_TRUE(p->savePathway(at("huge.pth")));
    const std::string text = bytes(at("huge.pth"));
    const std::size_t improc = text.find("\nIMPROC\n");
    ASSERT_NE(improc, std::string::npos);
    const std::size_t sizeAt = improc + std::string("\nIMPROC\n").size();
    const std::size_t sizeEnd = text.find("\nIMPROCSEL\n", sizeAt);
    ASSERT_NE(sizeEnd, std::string::npos) << "the picture's size is stored";

    // A stored picture wider than any region may be refuses the file.
    write(at("wide.pth"),
          text.substr(0, sizeAt) + "99999999999999999999\n20" + text.substr(sizeEnd));
    EXPECT_FALSE(load(at("wide.pth")));

    // Twenty regions whose boxes overflow a float or the largest side are
    // each skipped, not read past their masks.
    std::string regions;
    for (int i = 0; i < 20; ++i) {
        regions += "0 16777216 0 16777217 0 aaaa\n";
    }
    const std::size_t end = text.find("ENDIMPROC\n");
    write(at("many.pth"), text.substr(0, end) + regions + text.substr(end));
    auto q = load(at("many.pth"));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->shapeFinder()->getSelections().size(), 1u);
}

TEST_F(PathwayFile, RepeatedProteinAndInteractionLinesAreMerged) {
    auto p = fresh();
    fillHandPlaced(*p);
    p->setFromImage(false);
    ASSERT_TRUE(p->savePathway(at("copies.pth")));
    std::string text = bytes(at("copies.pth"));
    const std::size_t nodes = text.find("NODES\n") + 6;
    const std::string firstNode = text.substr(nodes, text.find('\n', nodes) + 1 - nodes);
    std::string repeats;
    for (int i = 0; i < 2000; ++i) {
        repeats += firstNode;
    }
    // A second copy of B somewhere else is a copy of its own, not a repeat.
    repeats += "B\t((0.9, -0.9, 0.1);[1, 0, 0; 0, 1, 0; 0, 0, 1])\n";
    text.insert(nodes, repeats);
    const std::size_t edges = text.find("EDGES\n", text.find("ENDCONTROLPOINTS")) + 6;
    text.insert(edges, "A\tB\nB\tA\nA\tB\n");
    write(at("copies.pth"), text);

    testing::internal::CaptureStderr();
    auto q = load(at("copies.pth"));
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(q);
    EXPECT_EQ(q->nodes().size(), 4u);
    EXPECT_EQ(q->edges().size(), 2u);
    EXPECT_NE(said.find("2000 repeated protein and 3 repeated interaction lines merged"),
              std::string::npos)
        << said;
}

TEST_F(PathwayFile, RegionsFollowAResizedPicture) {
    auto p = fresh();
    fillImage(*p);
    ASSERT_TRUE(p->savePathway(at("resized.pth")));
    picture("resized_img.png", 40, 20);  // twice the size the regions were found on
    auto q = load(at("resized.pth"));
    ASSERT_TRUE(q);
    ASSERT_EQ(q->shapeFinder()->getSelections().size(), 1u);
    const ImageProcessorSelection& s = *q->shapeFinder()->getSelections()[0];
    EXPECT_EQ(s.columns(), static_cast<int>(s.x1 - s.x0) + 1);
    EXPECT_EQ(s.rows(), static_cast<int>(s.y1 - s.y0) + 1);
    EXPECT_GE(s.x0, 4);
    EXPECT_LE(s.x1, 11);
}

TEST_F(PathwayFile, ImageSideFile) {
    auto p = fresh();
    p->setBackground(picture("Photo.JPG"));
    ASSERT_TRUE(p->savePathway(at("My.Pathway.pth")));
    EXPECT_TRUE(fs::exists(at("My.Pathway_img.jpg")));
    EXPECT_EQ(p->getName(), "My.Pathway");
    EXPECT_EQ(p->imageName(), "My.Pathway_img.jpg");
    EXPECT_EQ(lines(bytes(at("My.Pathway.pth")))[30], "My.Pathway_img.jpg");
    // The batch job predicts the copy's name before saving, by the same rule.
    EXPECT_EQ(pictureCopyNameOf("My.Pathway.pth", "Photo.JPG"), p->imageName());
    EXPECT_EQ(pictureCopyNameOf("plain", "photo"), "plain_img.");
    EXPECT_EQ(pathwayNameOf("plain"), "plain");

    // A picture that is gone is reported; the pathway still loads and saves.
    fs::remove(at("My.Pathway_img.jpg"));
    auto q = load(at("My.Pathway.pth"));
    ASSERT_TRUE(q);
    EXPECT_FALSE(q->sourceImage());
    EXPECT_TRUE(q->savePathway(at("Other.pth")));
    EXPECT_TRUE(fs::exists(at("Other.pth")));
    EXPECT_EQ(q->imageName(), "My.Pathway_img.jpg") << "nothing was copied, so the name stays";
}

TEST_F(PathwayFile, UnchangedPictureIsCopiedChangedOneEncoded) {
    // A text chunk the encoder would not write again tells a copy from an encoding.
    QImage original(20, 10, QImage::Format_RGB32);
    original.fill(qRgb(10, 200, 30));
    original.setText("Note", "kept only by a copy");
    ASSERT_TRUE(original.save(QString::fromStdString(at("marked.png"))));
    const std::string originalBytes = bytes(at("marked.png"));

    auto p = fresh();
    fillNetwork(*p);
    p->setBackground(at("marked.png"));
    ASSERT_TRUE(p->pictureUnchanged());
    ASSERT_TRUE(p->savePathway(at("first.pth")));
    EXPECT_EQ(bytes(at("first_img.png")), originalBytes);
    // Saving over itself leaves the copy alone.
    ASSERT_TRUE(p->savePathway(at("first.pth")));
    EXPECT_EQ(bytes(at("first_img.png")), originalBytes);

    // Read back, with the picture the reader decoded kept: saved again, still a copy.
    auto q = load(at("first.pth"));
    ASSERT_TRUE(q);
    ASSERT_TRUE(q->pictureUnchanged());
    EXPECT_EQ(q->sourceImageFile(), at("first_img.png"));
    ASSERT_TRUE(q->savePathway(at("second.pth")));
    EXPECT_EQ(bytes(at("second_img.png")), originalBytes);

    // A written pixel makes the next save encode the picture as it is now.
    q->sourceImage()->setPixel(0, 0, Color4uint8{1, 2, 3, 255});
    EXPECT_FALSE(q->pictureUnchanged());
    ASSERT_TRUE(q->savePathway(at("third.pth")));
    EXPECT_NE(bytes(at("third_img.png")), originalBytes);
    bool read = false;
    const Image written = Image::fromFile(at("third_img.png"), &read);
    ASSERT_TRUE(read);
    EXPECT_EQ(written.pixel(0, 0), (Color4uint8{1, 2, 3, 255}));
    EXPECT_EQ(written.pixel(5, 5), (Color4uint8{10, 200, 30, 255}));
    EXPECT_TRUE(q->pictureUnchanged()) << "the picture now matches the file just written";

    // A copy that cannot be written fails the save and names nothing new.
    fs::create_directory(at("blocked_img.png"));
    EXPECT_FALSE(p->savePathway(at("blocked.pth")));
    EXPECT_FALSE(fs::exists(at("blocked.pth")));
}

TEST_F(PathwayFile, PictureOfARegionIsDecodedOnceOnLoad) {
    auto p = fresh();
    fillImage(*p);
    ASSERT_TRUE(p->savePathway(at("regions.pth")));
    auto q = load(at("regions.pth"));
    ASSERT_TRUE(q);
    ASSERT_TRUE(q->shapeFinder());
    // The reader decoded the picture for its regions; the background is that
    // same image, not a second decoding.
    EXPECT_EQ(q->shapeFinder()->sourceImage, q->sourceImage());
    EXPECT_TRUE(q->pictureUnchanged());
    EXPECT_EQ(q->sourceImageFile(), at("regions_img.png"));
}

// A picture handed from a closing document replaces the decode of the file it
// holds, for the regions and for the background alike, and of no other file.
TEST_F(PathwayFile, HandedPictureStandsInOnlyForTheFileItHolds) {
    for (const bool regions : {true, false}) {
        SCOPED_TRACE(regions ? "regions" : "background only");
        auto p = fresh();
        if (regions) {
            fillImage(*p);
        } else {
            p->setBackground(picture("photo.png"));
        }
        ASSERT_TRUE(p->savePathway(at("other.pth")));
        ASSERT_TRUE(p->savePathway(at("saved.pth")));

        long long decoded = Image::filesDecoded();
        auto q = fresh();
        ASSERT_TRUE(q->loadPathway(at("saved.pth"), nullptr, p->unchangedPicture()));
        EXPECT_EQ(Image::filesDecoded() - decoded, 0);
        ASSERT_TRUE(q->sourceImage());
        EXPECT_EQ(q->sourceImage()->qimage().constBits(), p->sourceImage()->qimage().constBits());
        EXPECT_TRUE(q->pictureUnchanged());
        EXPECT_EQ(q->sourceImageFile(), at("saved_img.png"));
        if (regions) {
            ASSERT_TRUE(q->shapeFinder());
            EXPECT_EQ(q->shapeFinder()->sourceImage, q->sourceImage());
        }

        decoded = Image::filesDecoded();
        auto r = fresh();
        ASSERT_TRUE(r->loadPathway(at("other.pth"), nullptr, p->unchangedPicture()));
        EXPECT_EQ(Image::filesDecoded() - decoded, 1) << "another file is decoded";
        EXPECT_EQ(r->sourceImageFile(), at("other_img.png"));
    }
}

TEST_F(PathwayFile, FailedSaveKeepsThePreviousFile) {
    auto p = fresh();
    fillHandPlaced(*p);
    ASSERT_TRUE(p->savePathway(at("keep.pth")));
    const std::string before = bytes(at("keep.pth"));
    // A disk that fills up: no file may grow beyond 100 bytes for a moment.
    p->setNoteLine("changed");
    {
        const ScopedFileSizeLimit full(100);
        ASSERT_TRUE(full.active());
        EXPECT_FALSE(p->savePathway(at("keep.pth")));
    }
    EXPECT_EQ(bytes(at("keep.pth")), before);
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_TRUE(entry.path().filename().string().rfind("keep.pth", 0) != 0 ||
                    entry.path().filename() == "keep.pth")
            << "left behind: " << entry.path();
    }
    EXPECT_FALSE(p->savePathway(at("no/such/dir/x.pth")));
}

TEST_F(PathwayFile, GraphSectionDetails) {
    auto p = fresh();
    fillNetwork(*p);
    // A protein that lost its name and position must neither end the process
    // nor vanish.
    p->graph().addNode("P5");
    p->graph().addEdge("P1", "P5");
    p->graph().addTag("P4", "filter");
    ASSERT_TRUE(p->savePathway(at("net.pth")));
    auto q = load(at("net.pth"));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->nodeTable().size(), 5u) << "a filtered protein is saved too";
    NodeEntity* unnamed = q->getNode("P5");
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(unnamed->getName(), "P5");
    EXPECT_TRUE(unnamed->getLocalFrame().translation.isFinite());

    EdgeEntity* coloured = q->findEdge("P3", "P4");
    ASSERT_NE(coloured, nullptr);
    EXPECT_EQ(coloured->color.b, 1.0f);
    EXPECT_EQ(coloured->color.r, 0.0f);
    EXPECT_DOUBLE_EQ(coloured->width, 0.5);
    EdgeEntity* large = q->findEdge("P1", "P2");
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->kind, 2);
    EXPECT_EQ(large->getParent(), q.get());
    EXPECT_EQ(q->getNode("P3")->getParent(), q->edgeContainer());
    EXPECT_EQ(q->getNode("P1")->getParent(), q.get());
    EXPECT_EQ(q->initialPositions().size(), 4u);
    EXPECT_TRUE(q->neighbourhoods().cache());
    EXPECT_TRUE(q->dragEnabled());
}

TEST_F(PathwayFile, CacheGoesWithTheSavedFile) {
    auto p = fresh();
    fillNetwork(*p);
    for (int i = 0; i < 51; ++i) {
        const std::string id = "N" + std::to_string(i);
        p->graph().addEdge("P1", id);
        p->graph().setPosition(id, Vector3(0.01f * i, -0.5f, 0));
    }
    ASSERT_TRUE(p->savePathway(at("hub.pth")));
    auto q = load(at("hub.pth"));
    ASSERT_TRUE(q);
    ASSERT_TRUE(q->neighbourhoods().cache());
    std::string value;
    EXPECT_TRUE(q->neighbourhoods().cache()->lookup("exppos1", "P1", value));

    fs::create_directory(at("elsewhere"));
    ASSERT_TRUE(q->savePathway(at("elsewhere/copy.pth")));
    ASSERT_TRUE(fs::exists(at("elsewhere/copy.pth.cache")));
    Cache moved(at("elsewhere/copy.pth.cache"));
    EXPECT_TRUE(moved.lookup("exppos1", "P1", value));
    EXPECT_TRUE(moved.lookup("exppos0", "P1", value));
    EXPECT_EQ(q->neighbourhoods().cache()->getFileName(), at("elsewhere/copy.pth.cache"));
}

TEST_F(PathwayFile, HubsOfMoreThanFiftyPartnersAreCached) {
    auto p = fresh();
    ProteinGraph& g = p->graph();
    g.scaleX = 1;
    g.scaleY = 1;
    for (int i = 0; i < 51; ++i) {
        const std::string a = "a" + std::to_string(i);
        g.addEdge("H50", a);
        g.addEdge("H51", a);
        g.setPosition(a, Vector3(0.02f * i, -0.3f, 0));  // one horizontal line
    }
    g.removeEdge("H50", "a50");
    g.setPosition("H50", Vector3(0.5f, -0.5f, 0));
    g.setPosition("H51", Vector3(0.5f, -0.3f, 0));

    Cache cache(at("hubs.cache"));
    p->cacheNeighbourhoodPositions(&cache);
    std::string value;
    EXPECT_FALSE(cache.lookup("exppos1", "H50", value));
    EXPECT_FALSE(cache.lookup("exppos0", "H50", value));
    ASSERT_TRUE(cache.lookup("exppos0", "H51", value));
    ASSERT_TRUE(cache.lookup("exppos1", "H51", value));
    EXPECT_EQ(split(beforeDelimiter(value, "#"), "|").size(), 52u);
    EXPECT_EQ(split(afterDelimiter(value, "#"), "|").size(), 53u);
    EXPECT_TRUE(p->neighbourhoods().positionSet());

    Array<std::string> ids{"H51"};
    Array<std::string> partners;
    g.getNeighbours("H51", partners);
    ids.insert(ids.end(), partners.begin(), partners.end());
    Array<Vector3> out;
    ASSERT_TRUE(p->lookupNeighbourhoodPositions(ids, out, &cache));
    ASSERT_EQ(out.size(), 53u);
    for (std::size_t i = 1; i < out.size(); ++i) {
        ASSERT_TRUE(out[i].isFinite());
        EXPECT_GE(out[i].x, 0.0f);
        EXPECT_LE(out[i].x, out[0].x);
        EXPECT_LE(out[i].y, 0.0f);
        EXPECT_GE(out[i].y, -out[0].y);
    }

    // A second run finds everything stored and computes nothing.
    ASSERT_TRUE(cache.save());
    p->cacheNeighbourhoodPositions(&cache);
    EXPECT_FALSE(cache.isChanged());
}

TEST_F(PathwayFile, NeighbourhoodOnOnePointOrWithoutPositions) {
    auto p = fresh();
    ProteinGraph& g = p->graph();
    g.scaleX = 1;
    g.scaleY = 1;
    Array<std::string> ids{"hub"};
    for (int i = 0; i < 8; ++i) {
        ids.push_back("n" + std::to_string(i));
        g.addEdge("hub", ids.back());
        g.setPosition(ids.back(), Vector3(0.4f, -0.4f, 0));
    }
    g.setPosition("hub", Vector3(0.4f, -0.4f, 0));
    g.addEdge("hub", "unplaced");
    ids.push_back("unplaced");
    for (bool set : {true, false}) {
        p->neighbourhoods().setPositionSet(set);
        Array<Vector3> out;
        p->computeNeighbourhoodPositions(ids, out);
        ASSERT_EQ(out.size(), ids.size() + 1);
        const double s = std::max(1.35 * std::sqrt(double(ids.size())) - 1.0, 0.5);
        EXPECT_NEAR((out[0].x - 0.2) * (out[0].y - 0.2), s, 1e-3) << "the set's area";
        if (!set) {
            EXPECT_NEAR(out[0].x, out[0].y, 1e-5) << "the second set is square";
        }
        for (const Vector3& v : out) {
            EXPECT_TRUE(v.isFinite());
        }
    }
}

// Renaming over a FIFO or a device would replace the node itself: every file
// of a save is checked before anything is written. In a child, so that a save
// that opened a FIFO would fail the test instead of hanging it.
TEST_F(PathwayFile, SaveRefusesTargetsThatAreNotRegularFiles) {
    auto p = fresh();
    p->setBackground(picture("photo.png"));
    const std::string target = at("t.pth");
    for (const char* name : {"t.pth", "t.pth.cache", "t_img.png"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(::mkfifo(at(name).c_str(), 0600), 0);
        EXPECT_EQ(runWithin(10, [&] { return p->savePathway(target) ? 1 : 0; }), 0);
        EXPECT_TRUE(fs::is_fifo(at(name)));
        fs::remove(at(name));
        EXPECT_FALSE(fs::exists(target) || fs::exists(at("t_img.png")));
    }
    // A device node of our own (root may make one; elsewhere this part is skipped).
    if (::mknod(target.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        EXPECT_FALSE(p->savePathway(target));
        EXPECT_TRUE(fs::is_character_file(target));
        fs::remove(target);
    }
    // A link to a regular file is written through and stays a link.
    write(at("real.pth"), "old");
    fs::create_symlink("real.pth", at("link.pth"));
    ASSERT_TRUE(p->savePathway(at("link.pth")));
    EXPECT_TRUE(fs::is_symlink(at("link.pth")));
    EXPECT_EQ(lines(bytes(at("real.pth")))[0], "link");
}

TEST_F(PathwayFile, FailedSaveLeavesNoNewPictureAndKeepsTheNames) {
    auto p = fresh();
    fillNetwork(*p);
    p->setBackground(picture("photo.png"));
    const std::string name = p->getName(), image = p->imageName();
    ASSERT_LT(fs::file_size(at("photo.png")), 1000u);
    testing::internal::CaptureStderr();
    {
        // The picture would fit; the pathway does not.
        const ScopedFileSizeLimit full(1000);
        ASSERT_TRUE(full.active());
        EXPECT_FALSE(p->savePathway(at("new.pth")));
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(at("new_img.png")));
    EXPECT_FALSE(fs::exists(at("new.pth")));
    EXPECT_EQ(p->getName(), name);
    EXPECT_EQ(p->imageName(), image);
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
}

// A real full disk: a small tmpfs, where root may mount one.
TEST_F(PathwayFile, FullDiskIsSaidAsSuch) {
    const std::string disk = at("disk");
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        disk.c_str(), [](const char* path) { ::umount(path); });
    std::string why;
    EXPECT_FALSE(writeWhole(std::string(200000, 'x'), disk + "/big", &why));
    EXPECT_EQ(why, "No space left on device");
    auto p = fresh();
    fillNetwork(*p);
    p->setNoteLine(std::string(100000, 'n'));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(p->savePathway(disk + "/full.pth"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
}

// A picture line naming a FIFO once froze the open for good.
TEST_F(PathwayFile, PictureThatIsNotARegularFileIsLeftOut) {
    auto p = fresh();
    fillImage(*p);
    fillNetwork(*p);
    ASSERT_TRUE(p->savePathway(at("regions.pth")));
    fs::remove(at("regions_img.png"));
    ASSERT_EQ(::mkfifo(at("regions_img.png").c_str(), 0600), 0);
    EXPECT_EQ(runWithin(10,
                        [&] {
                            testing::internal::CaptureStderr();
                            auto q = load(at("regions.pth"));
                            const std::string err = testing::internal::GetCapturedStderr();
                            const bool said =
                                err.find("cannot read the picture") != std::string::npos;
                            return q && !q->sourceImage() && said ? 0 : 1;
                        }),
              0);
}

// Colours of a file's heatmap lines reach int casts in the list icons and the
// clustering's data: what is no colour is held to the unit range.
TEST_F(PathwayFile, HeatmapColoursAreHeldToTheUnitRange) {
    auto p = fresh();
    fillNetwork(*p);
    Property* heatmap = p->graph().findNodeProperty("P3", "heatmap");
    heatmap->values = {"exp\td\tn\t(nan, inf, 1e300, 1)\t(-5, 0.5, 2, 1)\t(-inf, 1e-3, 0, 1)"};
    ASSERT_TRUE(p->savePathway(at("colours.pth")));
    auto q = load(at("colours.pth"));
    ASSERT_TRUE(q);
    const HeatmapSeries& store = *q->graph().heatmaps;
    ASSERT_EQ(store.entryCount(), 1);
    EXPECT_EQ(store.coloursAt(0),
              (HeatmapColours{Vector3(1, 1, 1), Vector3(0, 0.5f, 1), Vector3(0, 1e-3f, 0)}));
}
