// The pathway file of a PathwayLayoutEntity: 33 header lines by position, the
// hand-placed proteins and interactions, control points, the note line, the
// seed lines, the image regions and what they belong to, then the graph
// section. Beside it lie the "_img" copy of the background picture and the
// ".cache" side file. The document's savePathway, writePathway, loadPathway
// and readPathway hand over to these two.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "pathway/PathwayLayoutEntity.h"

class Image;
class LineSink;
class TextFileReader;
class WindowServices;

// The name a pathway takes from its file's name (no folder): all before the
// last dot.
std::string pathwayNameOf(const std::string& fileName);
// The name of the background picture's copy beside the pathway file
// `fileName` (no folder): the pathway's name, "_img" and the picture's
// extension in lower case.
std::string pictureCopyNameOf(const std::string& fileName, const std::string& imageName);

class PathwayFileWriter {
public:
    explicit PathwayFileWriter(PathwayLayoutEntity& pathway) : pathway(pathway) {}

    // The text form, each line handed over as it is made.
    void write(LineSink& lines) const;
    // Names the pathway after the file, puts its picture beside it (copied
    // when unchanged), writes the file all or nothing and rewrites the
    // ".cache" side file. False, with the earlier file left whole, when the
    // picture or the pathway file cannot be written.
    [[nodiscard]] bool save(const std::string& path) const;

private:
    PathwayLayoutEntity& pathway;

    // write, run while the layout thread waits.
    void writeBetweenPasses(LineSink& lines) const;
};

class PathwayFileReader {
public:
    // `window` (null in batch mode) shows the progress. `handed` stands in for
    // decoding the picture file it names.
    PathwayFileReader(PathwayLayoutEntity& pathway, WindowServices* window,
                      DecodedPicture handed = {})
        : pathway(pathway), window(window), handed(std::move(handed)) {}

    // Reads the file and shows its background picture.
    [[nodiscard]] bool load(const std::string& path);
    // Reads the text form; with buildEntities also the graph section, and
    // builds the scene from it. False on a truncated or malformed form.
    [[nodiscard]] bool read(TextFileReader& reader, bool buildEntities);

private:
    // The handed picture when it holds `file`, once; else null.
    std::unique_ptr<Image> handedPicture(const std::string& file);

    PathwayLayoutEntity& pathway;
    WindowServices* window;
    DecodedPicture handed;
};
