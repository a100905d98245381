// JarCheck - reads a JAR with JarFile and JarInputStream and compares it with a tree.
// Usage: java JarCheck <jar> <tree> <expect-manifest: yes|no>
import java.io.*;
import java.nio.file.*;
import java.util.*;
import java.util.jar.*;

public class JarCheck {
    static byte[] readAll(InputStream in) throws IOException {
        return in.readAllBytes();
    }

    public static void main(String[] args) throws Exception {
        Path tree = Paths.get(args[1]);
        int entries = 0;
        try (JarFile jar = new JarFile(args[0], true)) {
            for (Enumeration<JarEntry> e = jar.entries(); e.hasMoreElements();) {
                JarEntry entry = e.nextElement();
                entries++;
                Path source = tree.resolve(entry.getName());
                if (entry.isDirectory()) {
                    if (!Files.isDirectory(source)) fail("no directory for " + entry.getName());
                    continue;
                }
                byte[] data;
                try (InputStream in = jar.getInputStream(entry)) { data = readAll(in); }
                if (!Arrays.equals(data, Files.readAllBytes(source)))
                    fail("bytes differ: " + entry.getName());
            }
        }
        int streamed = 0;
        try (JarInputStream in = new JarInputStream(new FileInputStream(args[0]), true)) {
            if (args[2].equals("yes") && in.getManifest() == null) fail("JarInputStream: no manifest");
            for (JarEntry e = in.getNextJarEntry(); e != null; e = in.getNextJarEntry()) {
                readAll(in);
                streamed++;
            }
        }
        // JarInputStream hands the manifest and its directory out of band.
        if (args[2].equals("yes")) streamed += 2;
        if (streamed != entries) fail("JarInputStream saw " + streamed + " of " + entries);
        System.out.println("ok " + entries);
    }

    static void fail(String why) {
        System.out.println("FAIL " + why);
        System.exit(1);
    }
}
