# Tests of the archive class (CZipBundle) with its compressors,
# cryptographs and wildcards, checked against Info-ZIP, 7-Zip and Python's
# zipfile. The upgrade client's road, the hostile extractions and the names
# other writers store run against the wide reading build too.
set(zip_bundle_tests
    support.cpp bundle_support.cpp
    signing_road_test.cpp update_download_test.cpp
    written_archives_test.cpp peer_archives_test.cpp peer_names_test.cpp replaced_and_copied_test.cpp zip64_entries_test.cpp
    verification_test.cpp hostile_extract_test.cpp archive_care_test.cpp progress_callback_test.cpp
    wildcard_test.cpp)
tesk_zip_tests(zip_bundle_tests unit tesk::zip ${zip_bundle_tests})
tesk_zip_tests(zip_bundle_read_wide_tests unit tesk::zip_read_wide support.cpp bundle_support.cpp update_download_test.cpp
               hostile_extract_test.cpp peer_names_test.cpp)
tesk_zip_tests(zip_bundle_large_tests integration tesk::zip support.cpp bundle_support.cpp
               integration/zip64_large_entry_test.cpp)
