// The upload of a report to the maker's web server: one multipart form with the fields "Subject",
// "Body" and the ZIP as the file field "Attachment" (each only when not empty).
#pragma once

#include <string_view>

// 1 when the server took the report (status 200); 0 on any other status or a failure, logged.
int UploadReport(std::u16string_view url, std::u16string_view subject, std::u16string_view body,
                 std::u16string_view zipPath);
