// Adds an entry to the certificate list: its caption, its description as
// the entry's title, the index as its value.
function Add2CertList(caption, description, index) {
    var option = document.createElement("option");
    option.text = caption;
    option.title = description;
    option.value = index;
    document.getElementById("MYCERT_LIST").add(option);
}
