// OutputStream.java - CLDC 1.0, signatures only.
package java.io;

public abstract class OutputStream {
    public OutputStream() {}
    public abstract void write(int b) throws IOException;
    public void flush() throws IOException {}
    public void close() throws IOException {}
}
