#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/Math.h"
#include "core/Object.h"
#include "scene/Envelope.h"

namespace ember {

class Camera;
class Mesh;
class Node;
class Texture;

// One item of a LightWave scene file, as read: the values of its lines, its
// animation channels as envelopes in beats, and its place in the item tree.
struct SceneItem {
    enum Kind : int32_t {
        CameraItem = 0,
        LightItem = 1,
        ObjectLayer = 2,
        NullObject = 3,
        Bone = 4,
        None = 5
    };

    std::string name;
    std::string source;  // rest of the defining line, or the object file name
    int32_t parentId = -1;
    int32_t layer = -1;
    Ref<Envelope> dissolve;
    int32_t numChannels = 0;
    // 0-2 position x, y, z; 3-5 heading, pitch, bank; 6-8 scale x, y, z.
    Ref<Envelope> channels[9];
    // Position, rotation, scale group: a channel of the group has 2 or more keys.
    bool animated[3] = {false, false, false};
    Vec3 pivot{0, 0, 0};
    Vec3 color{1, 1, 1};
    float intensity = 0.0f;
    Ref<Envelope> intensityEnvelope;
    float range = 0.0f;
    float coneAngle = 0.0f;  // radians
    float edgeAngle = 0.0f;  // radians
    int32_t lightType = 0;   // 5 when a projected image was found
    int32_t falloffType = 0;
    std::string projImage;
    int32_t shadowType = 0;
    Vec3 boneRestPosition{0, 0, 0};
    Vec3 boneRestDirection{0, 0, 0};  // radians
    float boneRestLength = 1.0f;
    float boneStrength = 1.0f;
    std::string weightMapName;
    float scaleBoneStrength = 1.0f;
    int32_t targetId = -1;
    int32_t kind = None;
    // The item tree, resolved once the whole file was read; borrowed pointers
    // into the loader's item list.
    const SceneItem* parent = nullptr;
    const SceneItem* firstChild = nullptr;
    const SceneItem* nextSibling = nullptr;
};

// Reads a LightWave scene file (LWSC version 5, plain or gzip-compressed) into
// a flat list of items, then builds scene-graph nodes from them on request:
// cameras, lights and the object hierarchy, each with controllers replaying
// the file's channels. Key times (seconds in the file) become beats of the
// song. The geometry is not in the scene: each object layer becomes a SubModel
// drawing one bin of a mesh the caller loaded.
//
// A short-lived object: construct with the song's tempo, set the optional
// projection images, open, create, destroy. The nodes keep their envelopes.
class LightwaveSceneLoader : public Object {
public:
    // Called for every light and object node created, with its item, before
    // the node is linked. The base does nothing.
    class NodeOp {
    public:
        virtual ~NodeOp() = default;
        virtual void process(Ref<Node> node, const SceneItem& item);
    };

    // Bounds beyond which a file is taken for damaged.
    static constexpr int MaxLineLength = 256;
    static constexpr int32_t MaxLines = 1 << 21;
    static constexpr int32_t MaxItems = 65536;

    // tempo: beats per minute of the song.
    explicit LightwaveSceneLoader(float tempo);
    ~LightwaveSceneLoader() override;

    // Reads the whole file. Returns false and logs one entry when the file
    // cannot be opened, its first two lines are not "LWSC" and "5", a line is
    // longer than MaxLineLength characters or holds a NUL byte, a number is
    // out of range, an envelope key count is negative or above
    // Envelope::MaxKeys, a block ends with the file, the file has more than
    // MaxLines lines or MaxItems items, or the stream reports an error. On
    // failure the item list is empty.
    bool open(const std::string& path);

    // For every camera item in file order: a Camera (fov degrees, zNear, zFar)
    // with flags 0x43 and a CameraController over channels 0-5, appended to
    // cameras and linked after the last sibling of root. False (nothing done)
    // when no items were read or root is null.
    bool createCameras(Node* root, std::vector<Ref<Camera>>& cameras, float fov, float zNear, float zFar);
    // For every top-level light item (light types 0, 1, 2, 3, 5, 6; others are
    // skipped) in file order: the light node with its transform and
    // controllers, op->process, then linked after the last sibling of root.
    // False (nothing done) when no items were read or root is null.
    bool createLights(Node* root, NodeOp* op = nullptr);
    // Nodes for the items first <= i < end (clamped to the item list): object
    // layers become SubModels of the mesh bin layer - 1, every other item a
    // Group; each gets mask, its dissolve controller, transform and
    // controllers, then op->process. Each node is linked under the node of its
    // parent item when that lies in the range, otherwise under root; a second
    // and later child goes directly after the first child. False (nothing
    // done) when no items were read, root is null, or an object layer in the
    // range names no bin of mesh (logged).
    bool createObjects(Node* root, const Mesh* mesh, int32_t first, int32_t end, int32_t mask,
                       NodeOp* op = nullptr);

    // Index of the first item named exactly name, or -1.
    int32_t findItem(const std::string& name) const;

    const std::vector<SceneItem>& items() const { return items_; }
    float tempo() const { return tempo_; }

    // Image of projective lights whose image is not registered (may stay null).
    Ref<Texture> defaultProjImage;
    // Image of lights of type 6 (may stay null).
    Ref<Texture> fixedProjImage;

private:
    class Reader;
    friend class Reader;

    std::vector<SceneItem> items_;
    std::map<uint32_t, int32_t> ids_;
    float tempo_;
};

}  // namespace ember
