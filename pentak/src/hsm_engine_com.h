// THsmEngineCom: the client of the HSM engine, an outside in-process COM
// server that talks to a remote hardware security module over HTTPS and to
// a local card device. The engine object is created by the first operation
// and kept until the client goes. An operation is false when the engine
// cannot be created or its call gives a failing HRESULT, which is then the
// thread's last error. The engine lives in the apartment of the thread
// that first uses the client, which must have initialised COM.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ptr.h"
#include "win32/com.h"

// The engine's dispatch-based interface (defined with the client).
struct IHsmEngine;

class THsmEngineCom {
public:
    THsmEngineCom();
    virtual ~THsmEngineCom();
    THsmEngineCom(const THsmEngineCom&) = delete;
    THsmEngineCom& operator=(const THsmEngineCom&) = delete;

    // True when the engine is there. The first success sets the engine's two
    // creation flags (1, then 0) and initialises it with the default server,
    // the device "PC/SC" and COM port 0, whatever those calls give. When the
    // engine lacks its interface, the object is released and the next call
    // tries afresh.
    bool Create();
    bool Init(std::u16string_view url, std::u16string_view device, LONG comPort);
    bool TestConnection();
    // Appends the engine's list of root certificates to rootList.
    bool GetRootList(std::u16string& rootList);
    bool WriteRoot(std::u16string_view certFileName);
    // Lets the engine object go, before the apartment it lives in ends; the
    // next operation creates it again.
    void Release();

private:
    platform::com::Ptr<IUnknown> m_unknown;
    platform::com::Ptr<IHsmEngine> m_engine;
};
