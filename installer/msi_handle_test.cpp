#include "msi_handle.h"

#include "installer_test_support.h"
#include "msi_engine.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace {

using installer_test::InstallerTest;

class HandleTest : public InstallerTest {};

TEST_F(HandleTest, AttachClosesThePreviousHandle) {
    CMsiHandle holder;
    holder.Attach(MsiCreateRecord(1));
    const MSIHANDLE first = holder.GetHandle();
    holder.Attach(MsiCreateRecord(1));
    EXPECT_NE(first, holder.GetHandle());
    EXPECT_EQ(1u, msi::OpenHandleCount());
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_HANDLE), MsiCloseHandle(first));
}

TEST_F(HandleTest, GetHandleSlotClosesThePreviousHandleAndClearsTheFlags) {
    CMsiHandle holder;
    holder.Attach(MsiCreateRecord(1));
    holder.SetFlags(0x40, true);
    MSIHANDLE* slot = holder.GetHandleSlot();
    EXPECT_EQ(0u, *slot);
    EXPECT_EQ(0u, holder.GetFlags());
    EXPECT_EQ(0u, msi::OpenHandleCount());
    *slot = MsiCreateRecord(2);
    EXPECT_EQ(*slot, holder.GetHandle());
}

TEST_F(HandleTest, DestructorClosesTheHandle) {
    {
        CMsiHandle holder;
        holder.Attach(MsiCreateRecord(3));
        EXPECT_EQ(1u, msi::OpenHandleCount());
    }
    EXPECT_EQ(0u, msi::OpenHandleCount());
}

TEST_F(HandleTest, CloseOfAHandleTheInstallerRefusesFailsButForgetsIt) {
    CMsiHandle holder;
    const MSIHANDLE handle = MsiCreateRecord(1);
    holder.Attach(handle);
    MsiCloseHandle(handle);  // closed behind the holder's back
    EXPECT_FALSE(holder.Close());
    EXPECT_EQ(0u, holder.GetHandle());
    EXPECT_TRUE(holder.Close());
}

TEST_F(HandleTest, CloseWithoutHandleSucceeds) {
    CMsiHandle holder;
    EXPECT_TRUE(holder.Close());
    holder.Release();
    EXPECT_EQ(0u, holder.GetHandle());
}

TEST_F(HandleTest, ScopedHandleClosesOnDestructionAndOnReuse) {
    {
        CMsiScopedHandle scoped(MsiCreateRecord(1));
        *scoped.GetHandleSlot() = MsiCreateRecord(1);
        EXPECT_EQ(1u, msi::OpenHandleCount());
        EXPECT_NE(0u, scoped.Get());
    }
    EXPECT_EQ(0u, msi::OpenHandleCount());
}

TEST_F(HandleTest, ScopedHandleOfZeroClosesNothing) {
    CMsiScopedHandle scoped;
    EXPECT_EQ(0u, scoped.Get());
}

}  // namespace
