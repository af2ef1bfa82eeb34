#include "scene/SubModel.h"

#include "rend/Device.h"

namespace ember {

SubModel::SubModel(const MeshBin& bin, int32_t instances_)
    : Drawable(NodeType::Drawable),
      firstIndex(static_cast<int32_t>(bin.firstIndex)),
      reserved(static_cast<int32_t>(bin.reserved)),
      indexCount(static_cast<int32_t>(bin.indexCount)),
      minIndex(static_cast<int32_t>(bin.minIndex)),
      maxIndex(static_cast<int32_t>(bin.maxIndex)),
      primitive(static_cast<int32_t>(bin.primitiveType)),
      instances(instances_) {}

SubModel::~SubModel() = default;

void SubModel::draw(Device& device, float) {
    const auto mode = static_cast<PrimitiveType>(primitive);
    if (instances < 2)
        device.drawRangeElements(mode, static_cast<uint32_t>(minIndex), static_cast<uint32_t>(maxIndex),
                                 indexCount, firstIndex);
    else
        device.drawElementsInstanced(mode, indexCount, firstIndex, instances);
}

}  // namespace ember
