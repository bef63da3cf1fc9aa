// TSignPolicyDlg: the signature policy as a labelled tree (template 214:
// the tree view and OK), named in the language of the message table. The
// dialog is the tree's view: the policy tree inserts its items into the
// dialog's tree-view control.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "asn1view/nodes.h"
#include "asn1view/policy_tree.h"
#include "asn1view/tree_view.h"
#include "signing_dialog.h"

// Show gives the value given to EndDialog (1 for OK and the close box), or
// -1 when the dialog cannot be made.
class TSignPolicyDlg final : public TSigningDialog, private asn1view::TreeView {
public:
    static constexpr int kTemplateId = 214;

    TSignPolicyDlg() : TSigningDialog(kTemplateId) {}

    // Builds the tree from the DER policy, OIDs described from the files
    // beside the component. The tree can be shown when it is complete; a
    // missing description file only leaves the OIDs dotted.
    asn1view::PolicyTreeLoad LoadPolicy(std::span<const std::uint8_t> der);

private:
    void OnInitDialog() override;
    Item InsertItem(Item parent, const std::string& text) override;
    void Expand(Item item) override;

    asn1view::ASNRoot m_root;
};
