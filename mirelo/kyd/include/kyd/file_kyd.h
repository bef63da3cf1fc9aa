// TFileKyd: the signing component's container file (.kyd), a ZIP archive
// holding one document folder "D<stamp>" with the document (a MIME message
// M<stamp>.eml or a plain file under its own name), its CMS signatures
// S<stamp>.p7s, the policies they were made under (Policy\P<stamp>.der),
// accompanying files (Other\<name>) and, from outside, signed objects
// A<stamp>.p7m. Stamps are UTC "YYYYMMDDhhmmssZ" from the layer's clock.
//
// Every operation returns a number (0 on success) and lets no exception
// out. Paths and names are ANSI text with "\" between folders; the wide
// overloads take the text a script passed (BSTR) and treat one that does
// not convert to ANSI without loss as a file that is not there.
//
// Changes never leave a half-written container: a container opened for
// update or created is written under a temporary name beside it and moved
// onto it only by a normal Close; Close(true), a failed Close and the
// destructor leave whatever was there before.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"
#include "zip/zip_bundle.h"

enum KydError : int {
    kydOk = 0,
    kydEmptyArgument = 30,     // an empty argument, an index out of range, a name the format cannot hold
    kydOpenFailed = 9101,      // not a ZIP archive, a damaged directory, a file that cannot be opened
    kydCompressFailed = 9102,  // an entry or the container could not be written
    kydExtractFailed = 9103,   // an entry that fails its check, is encrypted or is over the limits
    kydNoDocument = 9104,
    kydNoSignature = 9105,
    kydDuplicate = 9106,       // an entry of that name exists, or several message entries
};

enum KydEntryKind : int {
    kydSignature = 0,    // S<stamp>.p7s
    kydMessage = 1,      // M<stamp>.eml
    kydPolicy = 2,       // Policy\P<stamp>.der
    kydCertificate = 3,  // Certificate\C<stamp>.der (named only; nothing writes or reads it)
    kydRevocation = 4,   // Revocation\CRL<stamp>.der (named only)
};

class PendingReplacement;

class TFileKyd {
public:
    enum OpenMode : int { openUpdate = 1, openReadOnly = 2, openCreate = 3 };
    // No entry is written or read whose data would exceed this many bytes,
    // so every container written here reads back.
    static constexpr ZIP_SIZE_TYPE kEntryLimit = ZIP_SIZE_TYPE{256} << 20;
    static constexpr bool FitsEntry(std::uintmax_t size) noexcept { return size <= kEntryLimit; }

    TFileKyd();
    TFileKyd(const TFileKyd&) = delete;
    TFileKyd& operator=(const TFileKyd&) = delete;
    virtual ~TFileKyd();

    int Open(const std::string& path, int mode);
    int Open(std::u16string_view path, int mode);
    // A normal close moves the written container onto its path (9102 when
    // that fails, the old file staying); afterError drops what was written.
    int Close(bool afterError);
    const std::string& GetPath() const noexcept { return m_path; }

    int AddFile(const std::string& sourcePath, const std::string& entryName);
    int AddBuffer(const std::vector<BYTE>& bytes, const std::string& entryName);
    // The folder (existing or new) and "\" with inFolder, the kind's
    // subfolder, its prefix, a fresh stamp and its extension; empty for an
    // unknown kind.
    std::string MakeEntryName(int kind, bool inFolder);
    // A signature or policy whose stamped name is taken (two in one second)
    // gets "_1", "_2", ... before its extension. A second message is 9106.
    int AddSignature(const std::vector<BYTE>& bytes);
    int AddMessage(const std::vector<BYTE>& bytes);
    int AddPolicy(const std::vector<BYTE>& bytes);
    // The file under its own name in the folder (or its Other subfolder).
    // A name holding "\" after the path's last "/" is 30: on Linux that is
    // a character of the name, which the format would read as a folder.
    int AddDocumentFile(const std::string& path);
    int AddDocumentFile(std::u16string_view path);
    int AddOtherFile(const std::string& path);
    int AddOtherFile(std::u16string_view path);

    bool FindDocumentFolder(std::string& folder);
    // Appends the indexes of the entries matching the wildcard (inside the
    // folder with inFolder), in archive order; true when there is one.
    bool FindEntries(const std::string& pattern, bool inFolder, CZipIndexesArray& indexes);
    int GetSignatureCount();
    int GetPolicyCount();
    int GetSignatureEntryName(int n, std::string& name);
    int ReadSignature(int n, std::vector<BYTE>& bytes);
    int ReadPolicy(int n, std::vector<BYTE>& bytes);
    int ReadEnvelope(int n, std::vector<BYTE>& bytes);

    int ReadDocument(std::vector<BYTE>& bytes, bool& isMessage);
    int ExtractDocument(const std::string& folder, const std::string& newName);
    int ExtractDocument(std::u16string_view folder, std::u16string_view newName);
    int GetDocumentEntryName(std::string& name);

    // The entry's bytes appended to the vector; nothing on failure.
    int ExtractToMemory(ZIP_INDEX_TYPE index, std::vector<BYTE>& bytes);
    // The entry written into the folder under newName (its own name when
    // empty), without its folders; nothing is written on failure.
    int ExtractToFile(ZIP_INDEX_TYPE index, const std::string& folder, const std::string& newName);

private:
    int AddNamed(const std::string& entryName, const std::function<bool()>& add);
    int AddStamped(int kind, const std::vector<BYTE>& bytes);
    int AddUnderFolder(const std::string& path, const char* subfolder);
    int ReadNth(const std::string& pattern, int n, std::vector<BYTE>& bytes);
    int FindDocument(ZIP_INDEX_TYPE& index, bool& isMessage);
    int CheckReadable(ZIP_INDEX_TYPE index);
    std::string FolderForNewEntry();

    std::string m_path;
    CZipBundle m_zip;
    std::unique_ptr<PendingReplacement> m_pending;
};

// The MIME type of a stored document by its extension, into the buffer
// (cut to fit); true when the table knows it, else
// "application/octet-stream" and false.
bool ContentTypeFromExtension(const char* fileName, char* buffer, std::size_t bufferSize);
