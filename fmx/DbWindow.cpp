// The window handle and its implementation: document windows front to back,
// their state, window model and current layout.
#include <cstring>

#include "fmapi/object_layout.h"
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

FmWindowImp& Imp() { return ImpOf<FmWindowImp>(); }

const unsigned char* BytesOf(const Draco::FMWindowModel* model) { return reinterpret_cast<const unsigned char*>(model); }

} // namespace

// ---- FmWindowImp

DbWindow FmWindowImp::GetFirst() { return DbWindow(FrontDocumentWindow()); }

DbWindow FmWindowImp::GetNext(void* window) { return DbWindow(NextDocumentWindow(window)); }

std::string FmWindowImp::GetName(void* window)
{
    const Draco::FMWindowModel* model = GetModel(window);
    return model ? ModelWindowName(model) : std::string();
}

std::int32_t FmWindowImp::GetState(void* window) { return PlatformState(window); }

std::int32_t FmWindowImp::GetUserMode(void* window)
{
    const Draco::FMWindowModel* model = GetModel(window);
    return model ? ModelUserMode(model) : 0;
}

NativeWindow FmWindowImp::GetHWND(void* window) { return PlatformHandle(window); }

Draco::FMWindowModel* FmWindowImp::GetModel(void* window) { return PlatformModel(window); }

Database FmWindowImp::GetDatabase(void* window)
{
    Draco::FMWindowModel* model = GetModel(window);
    return Database(model ? ModelFileUser(model) : nullptr);
}

DbLayout FmWindowImp::GetLayout(void* window)
{
    const Draco::FMWindowModel* model = GetModel(window);
    const Draco::FMLayout* layout = model ? ModelLayout(model) : nullptr;
    if (!layout)
        return DbLayout();
    // A layout begins with its catalog key (fmapi/object_layout.h).
    Draco::HBAbstractKey key;
    CopyKeyData(reinterpret_cast<const std::uint8_t*>(layout) + fmapi::kCatalogMemberKeyOffset, key);
    const Database file = GetDatabase(window);
    if (file.IsEmpty())
        return DbLayout();
    dblay::FindByKeyFunc find(KeyData(key));
    file.EnumLayouts(find);
    return find.Found();
}

bool FmWindowImp::GetModelFlag(void* window)
{
    const Draco::FMWindowModel* model = GetModel(window);
    return model && ModelFlag(model);
}

void FmWindowImp::SetWindowAttribute(void* window, bool flag) { SetPlatformAttribute(window, flag); }

Draco::FMFileUser* FmWindowImp::ModelFileUser(Draco::FMWindowModel* model)
{
    return host::FMWindowModel_GetFileUser(model);
}

std::int32_t FmWindowImp::ModelUserMode(const Draco::FMWindowModel* model)
{
    return host::Call<FMWindowModel_GetUserMode>(model);
}

bool FmWindowImp::ModelFlag(const Draco::FMWindowModel* model)
{
    return (BytesOf(model)[fmapi::WindowModelFlagOffset(host::ApiLevel())] & fmapi::kWindowModelFlagBit) != 0;
}

std::string FmWindowImp::ModelWindowName(const Draco::FMWindowModel* model)
{
    std::string name;
    ReadHostText(host::Call<FMWindowModel_GetWindowName>(model), name);
    return name;
}

const Draco::FMLayout* FmWindowImp::ModelLayout(const Draco::FMWindowModel* model)
{
    if (host::ApiLevel() < 54)
        return host::Call<FMWindowModel_GetLayout>(model);
    const Draco::FMLayout* layout = nullptr;
    std::memcpy(&layout, BytesOf(model) + fmapi::kWindowModelLayoutOffset, sizeof layout);
    return layout;
}

// ---- DbWindow

DbWindow DbWindow::GetFirst() { return Imp().GetFirst(); }

DbWindow DbWindow::FromHWND(NativeWindow window) { return Imp().FromHWND(window); }

DbWindow DbWindow::GetNext() const { return Imp().GetNext(Checked()); }

std::string DbWindow::GetName() const { return Imp().GetName(Checked()); }

std::int32_t DbWindow::GetState() const { return Imp().GetState(Checked()); }

std::int32_t DbWindow::GetUserMode() const { return Imp().GetUserMode(Checked()); }

NativeWindow DbWindow::GetHWND() const { return Imp().GetHWND(Checked()); }

Draco::FMWindowModel* DbWindow::GetModel() const { return Imp().GetModel(Checked()); }

Database DbWindow::GetDatabase() const { return Imp().GetDatabase(Checked()); }

DbLayout DbWindow::GetLayout() const { return Imp().GetLayout(Checked()); }

bool DbWindow::GetModelFlag() const { return Imp().GetModelFlag(Checked()); }

void DbWindow::SetWindowAttribute(bool flag) const { Imp().SetWindowAttribute(Checked(), flag); }

} // namespace fmx
