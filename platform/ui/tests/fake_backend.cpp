#include "fake_backend.h"

namespace {

class Fake final : public platform::ui::Backend {
public:
    explicit Fake(std::shared_ptr<FakeUser> user) : m_user(std::move(user)) {}
    const char* name() const noexcept override { return "fake"; }
    int messageBox(const platform::ui::MessageBoxRequest& request) override {
        m_user->boxes.push_back(request);
        return m_user->onBox(request);
    }
    bool openWith(const platform::ui::OpenWithRequest& request) override {
        m_user->choosers.push_back(request);
        return m_user->onChooser(request);
    }

private:
    std::shared_ptr<FakeUser> m_user;
};

}  // namespace

FakeBackend::FakeBackend() { platform::ui::setBackend(std::make_unique<Fake>(m_user)); }
FakeBackend::~FakeBackend() { platform::ui::setBackend(nullptr); }
