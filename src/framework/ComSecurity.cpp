#include "ComSecurity.h"

#include <sddl.h>

#include <vector>

namespace fw
{

namespace
{

// Who may call into this process's COM objects once its security is fixed: SYSTEM and the
// Administrators, at high integrity (COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL). The
// program needs no incoming calls at all; the default would admit every caller. Systems without
// integrity levels (XP) take the same list without the label.
const char* const kComAccess[] = {"O:BAG:BAD:(A;;0x3;;;SY)(A;;0x3;;;BA)S:(ML;;NX;;;HI)",
                                  "O:BAG:BAD:(A;;0x3;;;SY)(A;;0x3;;;BA)"};

// The descriptor in the absolute form COM asks for; its parts live as long as the object.
class CComAccessDescriptor
{
public:
    CComAccessDescriptor()
    {
        for (const char* text : kComAccess)
        {
            PSECURITY_DESCRIPTOR relative = nullptr;
            if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1,
                                                                        &relative, nullptr))
                continue;
            const bool made = MakeAbsolute(relative);
            ::LocalFree(relative);
            if (made)
                return;
        }
    }
    CComAccessDescriptor(const CComAccessDescriptor&) = delete;
    CComAccessDescriptor& operator=(const CComAccessDescriptor&) = delete;

    // Null when no descriptor could be made.
    PSECURITY_DESCRIPTOR Get() { return m_made ? m_descriptor.data() : nullptr; }

private:
    static BYTE* DataOrNull(std::vector<BYTE>& part)
    {
        return part.empty() ? nullptr : part.data();
    }

    bool MakeAbsolute(PSECURITY_DESCRIPTOR relative)
    {
        DWORD sizes[5] = {};
        ::MakeAbsoluteSD(relative, nullptr, &sizes[0], nullptr, &sizes[1], nullptr, &sizes[2],
                         nullptr, &sizes[3], nullptr, &sizes[4]);
        std::vector<BYTE>* parts[5] = {&m_descriptor, &m_dacl, &m_sacl, &m_owner, &m_group};
        for (int i = 0; i < 5; ++i)
            parts[i]->assign(sizes[i], 0);
        m_made = sizes[0] != 0 &&
                 ::MakeAbsoluteSD(relative, DataOrNull(m_descriptor), &sizes[0],
                                  reinterpret_cast<PACL>(DataOrNull(m_dacl)), &sizes[1],
                                  reinterpret_cast<PACL>(DataOrNull(m_sacl)), &sizes[2],
                                  DataOrNull(m_owner), &sizes[3], DataOrNull(m_group), &sizes[4]);
        return m_made;
    }

    std::vector<BYTE> m_descriptor, m_dacl, m_sacl, m_owner, m_group;
    bool m_made = false;
};

// The first call's result: 0 not asked yet, 1 ours is in force, -1 it failed.
int g_outcome = 0;

} // namespace

CoInitializeSecurityFn g_pfnCoInitializeSecurity = &::CoInitializeSecurity;

bool SetProcessComSecurity()
{
    if (g_outcome)
        return g_outcome > 0;
    // The process takes interface pointers from WMI and from the desktop shell, which runs at the
    // user's level: none of them may name an unmarshaller of its own (EOAC_NO_CUSTOM_MARSHAL).
    CComAccessDescriptor access;
    const bool set =
        access.Get() && SUCCEEDED(g_pfnCoInitializeSecurity(
                            access.Get(), -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NO_CUSTOM_MARSHAL, nullptr));
    g_outcome = set ? 1 : -1;
    return set;
}

bool ProcessComSecurityIsOurs()
{
    return g_outcome > 0;
}

} // namespace fw
