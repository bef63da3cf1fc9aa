// The pages' own script: small helpers the program calls by name after a
// page has loaded, and the keyboard shortcuts of the home page. Every page
// action is a link or sets self.location, so the program sees each one as
// a navigation.

// Appends a certificate to the list of renewable certificates; caption and
// description are set as text, never as markup.
function Add2CertList(caption, description, index) {
    var list = document.getElementById('MYCERT_LIST');
    if (!list) return;
    var option = document.createElement('option');
    option.value = index;
    option.text = caption;
    option.title = description;
    list.appendChild(option);
    if (list.options.length == 1) SelectCert(list);
}

// Keeps the certificate view link pointing at the chosen certificate.
function SelectCert(list) {
    var link = document.getElementById('SHOW_CERT_LINK');
    var option = list.options[list.selectedIndex];
    if (link && option) link.href = 'URL_SHOWRENEWCERT_' + option.value;
}

// Removes the option with the given value from a select element.
function RemoveSelectOption(selectId, value) {
    var list = document.getElementById(selectId);
    if (!list) return;
    for (var i = list.options.length - 1; i >= 0; --i)
        if (list.options[i].value == value) list.remove(i);
}

// Shows the identity-document fields of the public-administration
// certificate for the applicant's country ("SK" offers them).
function SetCountry(country) {
    var input = document.getElementById('RA_CERT_GOV_USAGE_INPUT');
    if (!input) return;
    input.className = country == 'SK' ? 'optional' : 'optional hidden_item';
}

// Shows or hides a table and marks its toggle link.
function toggle_visibility(tableId, linkId) {
    var table = document.getElementById(tableId);
    var link = document.getElementById(linkId);
    if (!table) return;
    var hidden = table.style.display == 'none';
    table.style.display = hidden ? '' : 'none';
    if (link) link.className = hidden ? 'open' : 'closed';
}

// Home page shortcuts: Ctrl+Shift+Q, S and D choose the request type
// directly (qualified, commercial, qualified pair).
function HomeShortcuts(event) {
    if (!event.ctrlKey || !event.shiftKey) return;
    var commands = { 'Q': 'URL_REQ_QC', 'S': 'URL_REQ_SC', 'D': 'URL_REQ_QD' };
    var command = commands[String.fromCharCode(event.keyCode)];
    if (command) self.location = command;
}
