#include "UrlReference.h"

#include "framework/TrimBlanks.h"

namespace
{

// The five parts of a reference; an absent part differs from an empty one ("?" is an empty
// query, no "?" is none).
struct CReference
{
    std::string scheme, authority, path, query, fragment;
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
};

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSchemeChar(char c)
{
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

CReference Parse(const std::string& text)
{
    CReference r;
    size_t at = 0;
    // A scheme is letters, digits, "+", "-", "." up to the first ":", and comes before any "/",
    // "?" or "#": the "://" of an address inside a query does not make a scheme.
    size_t colon = text.find_first_of(":/?#");
    if (colon != std::string::npos && colon > 0 && text[colon] == ':' && IsAsciiLetter(text[0]))
    {
        bool valid = true;
        for (size_t i = 0; i < colon && valid; ++i)
            valid = IsSchemeChar(text[i]);
        if (valid)
        {
            r.hasScheme = true;
            r.scheme = text.substr(0, colon);
            at = colon + 1;
        }
    }
    if (text.compare(at, 2, "//") == 0)
    {
        size_t end = text.find_first_of("/?#", at + 2);
        if (end == std::string::npos)
            end = text.size();
        r.hasAuthority = true;
        r.authority = text.substr(at + 2, end - at - 2);
        at = end;
    }
    size_t pathEnd = text.find_first_of("?#", at);
    if (pathEnd == std::string::npos)
        pathEnd = text.size();
    r.path = text.substr(at, pathEnd - at);
    at = pathEnd;
    if (at < text.size() && text[at] == '?')
    {
        size_t end = text.find('#', at);
        if (end == std::string::npos)
            end = text.size();
        r.hasQuery = true;
        r.query = text.substr(at + 1, end - at - 1);
        at = end;
    }
    if (at < text.size() && text[at] == '#')
    {
        r.hasFragment = true;
        r.fragment = text.substr(at + 1);
    }
    return r;
}

// Drops the last segment of output and the "/" before it.
void DropLastSegment(std::string& output)
{
    size_t slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
}

// "." and ".." segments taken out (RFC 3986, 5.2.4).
std::string RemoveDotSegments(std::string input)
{
    std::string output;
    while (!input.empty())
    {
        if (input.compare(0, 3, "../") == 0)
            input.erase(0, 3);
        else if (input.compare(0, 2, "./") == 0 || input.compare(0, 3, "/./") == 0)
            input.erase(0, 2);
        else if (input == "/.")
            input = "/";
        else if (input.compare(0, 4, "/../") == 0)
        {
            input.erase(0, 3);
            DropLastSegment(output);
        }
        else if (input == "/..")
        {
            input = "/";
            DropLastSegment(output);
        }
        else if (input == "." || input == "..")
            input.clear();
        else
        {
            size_t end = input.find('/', input[0] == '/' ? 1 : 0);
            if (end == std::string::npos)
                end = input.size();
            output.append(input, 0, end);
            input.erase(0, end);
        }
    }
    return output;
}

// A relative path joined to the base's folder (RFC 3986, 5.2.3).
std::string Merge(const CReference& base, const std::string& path)
{
    if (base.hasAuthority && base.path.empty())
        return "/" + path;
    size_t slash = base.path.rfind('/');
    return slash == std::string::npos ? path : base.path.substr(0, slash + 1) + path;
}

std::string Compose(const CReference& r)
{
    std::string text;
    if (r.hasScheme)
        text += r.scheme + ":";
    if (r.hasAuthority)
        text += "//" + r.authority;
    text += r.path;
    if (r.hasQuery)
        text += "?" + r.query;
    if (r.hasFragment)
        text += "#" + r.fragment;
    return text;
}

} // namespace

std::string ResolveReference(const std::string& base, const std::string& reference)
{
    const CReference r = Parse(fw::TrimBlanks(reference));
    const CReference b = Parse(base);

    CReference t;
    if (r.hasScheme)
    {
        t = r;
        t.path = RemoveDotSegments(r.path);
    }
    else
    {
        if (r.hasAuthority)
        {
            t = r;
            t.path = RemoveDotSegments(r.path);
        }
        else
        {
            if (r.path.empty())
            {
                t.path = b.path;
                t.hasQuery = r.hasQuery || b.hasQuery;
                t.query = r.hasQuery ? r.query : b.query;
            }
            else
            {
                t.path = RemoveDotSegments(r.path[0] == '/' ? r.path : Merge(b, r.path));
                t.hasQuery = r.hasQuery;
                t.query = r.query;
            }
            t.hasAuthority = b.hasAuthority;
            t.authority = b.authority;
        }
        t.hasScheme = b.hasScheme;
        t.scheme = b.scheme;
    }
    t.hasFragment = r.hasFragment;
    t.fragment = r.fragment;
    return Compose(t);
}
