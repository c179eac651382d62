// RResource: device-dependent data that must let go of its GL objects before a device reset and build them again
// afterwards. Implementers register themselves with RRenderer::RegisterResource and unregister before they go;
// the renderer only lists them.
#pragma once

class RResource {
public:
    virtual ~RResource() = default;

    // Before a device reset: release every GL object this resource holds.
    virtual void ReleaseDynamic() = 0;
    // After a device reset: create them again.
    virtual void RenewDynamic() = 0;
};
